// SPDX-License-Identifier: GPL-3.0-or-later
#include "readiness.h"

#include <QStringList>

#include <array>

namespace obd {

namespace {

// Byte B: bits 0-2 supported, bits 4-6 incomplete. Bytes C and D: bit n supported and
// incomplete; their meaning depends on the engine (byte B bit 3 set: compression ignition). A
// null name is a reserved bit.
const std::array<const char*, 3> kContinuousMonitors{"Misfire Monitoring", "Fuel Sys. Monitoring",
                                                     "Component Monitoring"};
const std::array<const char*, 8> kSparkMonitors{
    "Catalyst Monitoring",           "Heated Catalyst Monitoring",
    "Evaporative System Monitoring", "Sec. Air System Monitoring",
    "A/C Refrigerant Monitoring",    "O2 Sensor Monitoring",
    "O2 Sensor Heater Monitoring",   "EGR Monitoring"};
const std::array<const char*, 8> kCompressionMonitors{"NMHC Catalyst Monitoring",
                                                      "NOx/SCR Monitoring",
                                                      nullptr,
                                                      "Boost Pressure Monitoring",
                                                      nullptr,
                                                      "Exhaust Gas Sensor Monitoring",
                                                      "PM Filter Monitoring",
                                                      "EGR/VVT Monitoring"};
constexpr int kO2MonitorBit = 5;

// The model year codes of one 30-year cycle, from 1980 (or 2010) on.
const QString kYearCodes = QStringLiteral("ABCDEFGHJKLMNPRSTVWXY123456789");

const QString kDash = QStringLiteral(" \u2014 ");

} // namespace

MonitorStatus MonitorStatus::of(quint8 a, quint8 b, quint8 c, quint8 d) {
    MonitorStatus status;
    status.milOn = a > 127;
    status.storedCodes = a & 0x7F;
    for (int bit = 0; bit < int(kContinuousMonitors.size()); ++bit) {
        if (b & (1 << bit))
            status.monitors.push_back({kContinuousMonitors[bit], !(b & (16 << bit)), true});
    }
    status.compressionIgnition = b & 8;
    const auto& monitors = status.compressionIgnition ? kCompressionMonitors : kSparkMonitors;
    status.o2SensorComplete = false; // until the monitor says it has completed
    for (int bit = 0; bit < 8; ++bit) {
        if (!monitors[bit] || !(c & (1 << bit)))
            continue;
        const bool complete = !(d & (1 << bit));
        status.monitors.push_back({monitors[bit], complete, false});
        if (!status.compressionIgnition && bit == kO2MonitorBit)
            status.o2SensorComplete = complete;
    }
    return status;
}

std::optional<int> modelYearOf(const QString& vin) {
    if (vin.size() != 17)
        return std::nullopt;
    const qsizetype code = kYearCodes.indexOf(vin[9]);
    if (code < 0)
        return std::nullopt;
    return 1980 + int(code) + (vin[6].isDigit() ? 0 : 30);
}

QString readinessVerdict(const MonitorStatus& status, std::optional<int> modelYear) {
    QStringList incomplete;
    for (const Monitor& monitor : status.monitors) {
        if (!monitor.continuous && !monitor.complete)
            incomplete << QString::fromLatin1(monitor.name).remove(QStringLiteral(" Monitoring"));
    }
    const int allowed = modelYear && *modelYear <= 2000 ? 2 : 1;
    const bool ready = !status.milOn && incomplete.size() <= allowed;
    QString line = QStringLiteral("Readiness: ");
    if (status.milOn)
        line += QStringLiteral("MIL on, ");
    line += incomplete.isEmpty() ? QStringLiteral("all monitors complete")
                                 : QStringLiteral("%1 incomplete (%2)")
                                       .arg(incomplete.size())
                                       .arg(incomplete.join(QStringLiteral(", ")));
    line += kDash + (ready ? QStringLiteral("ready") : QStringLiteral("not ready")) +
            QStringLiteral(" for an emissions inspection");
    if (!modelYear)
        line += QStringLiteral(" (model year unknown: at most one incomplete allowed)");
    return line;
}

} // namespace obd
