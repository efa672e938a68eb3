// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor_results.h"

#include "mode6_result.h"

#include <cmath>
#include <iterator>

namespace diag {

namespace {

// A unit-and-scaling ID: what one bit of the raw value is worth and in which unit; IDs from
// $80 on read the raw value as signed.
struct UnitScaling {
    quint8 id;
    double step;
    double offset;
    int decimals;
    const char* unit;
};

constexpr UnitScaling kUnits[] = {
    {0x01, 1, 0, 0, ""},
    {0x02, 0.1, 0, 1, ""},
    {0x03, 0.01, 0, 2, ""},
    {0x04, 0.001, 0, 3, ""},
    {0x05, 0.0000305, 0, 7, ""},
    {0x06, 0.000305, 0, 6, ""},
    {0x07, 0.25, 0, 2, "rpm"},
    {0x08, 0.01, 0, 2, "km/h"},
    {0x09, 1, 0, 0, "km/h"},
    {0x0A, 0.122, 0, 3, "mV"},
    {0x0B, 0.001, 0, 3, "V"},
    {0x0C, 0.01, 0, 2, "V"},
    {0x0D, 0.00390625, 0, 8, "mA"},
    {0x0E, 0.001, 0, 3, "A"},
    {0x0F, 0.01, 0, 2, "A"},
    {0x10, 1, 0, 0, "ms"},
    {0x11, 100, 0, 0, "ms"},
    {0x12, 1, 0, 0, "s"},
    {0x13, 1, 0, 0, "mOhm"},
    {0x14, 1, 0, 0, "Ohm"},
    {0x15, 1, 0, 0, "kOhm"},
    {0x16, 0.1, -40, 1, "°C"},
    {0x17, 0.01, 0, 2, "kPa"},
    {0x18, 0.0117, 0, 4, "kPa"},
    {0x19, 0.079, 0, 3, "kPa"},
    {0x1A, 1, 0, 0, "kPa"},
    {0x1B, 10, 0, 0, "kPa"},
    {0x1C, 0.01, 0, 2, "°"},
    {0x1D, 0.5, 0, 1, "°"},
    {0x1E, 0.0000305, 0, 7, "lambda"},
    {0x1F, 0.05, 0, 2, "A/F"},
    {0x20, 0.0039062, 0, 7, ""},
    {0x21, 1, 0, 0, "mHz"},
    {0x22, 1, 0, 0, "Hz"},
    {0x23, 1, 0, 0, "kHz"},
    {0x24, 1, 0, 0, "counts"},
    {0x25, 1, 0, 0, "km"},
    {0x26, 0.1, 0, 1, "mV/ms"},
    {0x27, 0.01, 0, 2, "g/s"},
    {0x28, 1, 0, 0, "g/s"},
    {0x29, 0.25, 0, 2, "Pa/s"},
    {0x2A, 0.001, 0, 3, "kg/h"},
    {0x2B, 1, 0, 0, "switches"},
    {0x2C, 0.01, 0, 2, "g/cyl"},
    {0x2D, 0.01, 0, 2, "mg/stroke"},
    {0x2E, 1, 0, 0, ""},
    {0x2F, 0.01, 0, 2, "%"},
    {0x30, 0.001526, 0, 6, "%"},
    {0x31, 0.001, 0, 3, "L"},
    {0x32, 0.0000305, 0, 7, "in"},
    {0x33, 0.00024414, 0, 8, ""},
    {0x34, 1, 0, 0, "min"},
    {0x35, 10, 0, 0, "ms"},
    {0x36, 0.01, 0, 2, "g"},
    {0x37, 0.1, 0, 1, "g"},
    {0x38, 1, 0, 0, "g"},
    {0x39, 0.01, -327.68, 2, "%"},
    {0x81, 1, 0, 0, ""},
    {0x82, 0.1, 0, 1, ""},
    {0x83, 0.01, 0, 2, ""},
    {0x84, 0.001, 0, 3, ""},
    {0x85, 0.0000305, 0, 7, ""},
    {0x86, 0.000305, 0, 6, ""},
    {0x8A, 0.122, 0, 3, "mV"},
    {0x8B, 0.001, 0, 3, "V"},
    {0x8C, 0.01, 0, 2, "V"},
    {0x8D, 0.00390625, 0, 8, "mA"},
    {0x8E, 0.001, 0, 3, "A"},
    {0x90, 1, 0, 0, "ms"},
    {0x96, 0.1, 0, 1, "°C"},
    {0x9C, 0.01, 0, 2, "°"},
    {0x9D, 0.5, 0, 1, "°"},
    {0xA8, 1, 0, 0, "g/s"},
    {0xA9, 0.25, 0, 2, "Pa/s"},
    {0xAF, 0.01, 0, 2, "%"},
    {0xB0, 0.003052, 0, 6, "%"},
    {0xFC, 0.01, 0, 2, "kPa"},
    {0xFD, 0.001, 0, 3, "kPa"},
    {0xFE, 0.25, 0, 2, "Pa"},
};

const UnitScaling* unitScaling(quint8 id) {
    for (const UnitScaling& unit : kUnits) {
        if (unit.id == id)
            return &unit;
    }
    return nullptr;
}

double scaled(quint16 raw, const UnitScaling& unit) {
    const double bits = unit.id >= 0x80 ? double(qint16(raw)) : double(raw);
    return bits * unit.step + unit.offset;
}

QString text(double value, const UnitScaling& unit) {
    return QString::number(value, 'f', unit.decimals);
}

quint16 word(const QByteArray& bytes, qsizetype at) {
    return quint16((quint8(bytes[at]) << 8) | quint8(bytes[at + 1]));
}

QString bank(int index) {
    return QStringLiteral("Bank %1").arg(index + 1);
}

} // namespace

QString hexId(quint8 id) {
    return QStringLiteral("$%1").arg(id, 2, 16, QLatin1Char('0')).toUpper();
}

std::optional<quint8> typedMonitorId(const QString& text) {
    const std::optional<quint8> id = idValue(dollarAsHex(text));
    if (!id || *id % 0x20 == 0)
        return std::nullopt;
    return id;
}

QString monitorName(quint8 monitor) {
    const int m = monitor;
    if (m >= 0x01 && m <= 0x10)
        return QStringLiteral("O2 Sensor Monitor %1 - Sensor %2")
            .arg(bank((m - 1) / 4))
            .arg((m - 1) % 4 + 1);
    if (m >= 0x21 && m <= 0x24)
        return QStringLiteral("Catalyst Monitor ") + bank(m - 0x21);
    if (m >= 0x31 && m <= 0x34)
        return QStringLiteral("EGR Monitor ") + bank(m - 0x31);
    if (m >= 0x35 && m <= 0x38)
        return QStringLiteral("VVT Monitor ") + bank(m - 0x35);
    if (m == 0x39)
        return QStringLiteral("EVAP Monitor (Cap Off)");
    if (m >= 0x3A && m <= 0x3C)
        return QStringLiteral("EVAP Monitor (0.0%1\")").arg(m == 0x3A ? 90 : m == 0x3B ? 40 : 20);
    if (m == 0x3D)
        return QStringLiteral("Purge Flow Monitor");
    if (m >= 0x41 && m <= 0x50)
        return QStringLiteral("O2 Sensor Heater Monitor %1 - Sensor %2")
            .arg(bank((m - 0x41) / 4))
            .arg((m - 0x41) % 4 + 1);
    if (m >= 0x61 && m <= 0x64)
        return QStringLiteral("Heated Catalyst Monitor ") + bank(m - 0x61);
    if (m >= 0x71 && m <= 0x74)
        return QStringLiteral("Secondary Air Monitor %1").arg(m - 0x70);
    if (m >= 0x81 && m <= 0x84)
        return QStringLiteral("Fuel System Monitor ") + bank(m - 0x81);
    if (m >= 0x85 && m <= 0x86)
        return QStringLiteral("Boost Pressure Control Monitor ") + bank(m - 0x85);
    if (m >= 0x90 && m <= 0x91)
        return QStringLiteral("NOx Adsorber Monitor ") + bank(m - 0x90);
    if (m >= 0x98 && m <= 0x99)
        return QStringLiteral("NOx Catalyst Monitor ") + bank(m - 0x98);
    if (m == 0xA1)
        return QStringLiteral("Misfire Monitor General Data");
    if (m >= 0xA2 && m <= 0xAD)
        return QStringLiteral("Misfire Cylinder %1 Data").arg(m - 0xA1);
    if (m >= 0xB0 && m <= 0xB1)
        return QStringLiteral("PM Filter Monitor ") + bank(m - 0xB0);
    return QStringLiteral("Monitor ") + hexId(monitor);
}

std::optional<std::vector<MonitorResult>> monitorResults(const QByteArray& answer, quint8 monitor) {
    if (answer.size() < 10 || (answer.size() - 1) % 9 != 0)
        return std::nullopt;
    std::vector<MonitorResult> results;
    for (qsizetype at = 1; at < answer.size(); at += 9) {
        const UnitScaling* unit = unitScaling(quint8(answer[at + 2]));
        if (quint8(answer[at]) != monitor || !unit)
            return std::nullopt;
        const double value = scaled(word(answer, at + 3), *unit);
        const double minimum = scaled(word(answer, at + 5), *unit);
        const double maximum = scaled(word(answer, at + 7), *unit);
        QString shown = text(value, *unit);
        if (*unit->unit)
            shown += QLatin1Char(' ') + QString::fromUtf8(unit->unit);
        results.push_back({monitor, quint8(answer[at + 1]), shown, text(minimum, *unit),
                           text(maximum, *unit), minimum <= value && value <= maximum});
    }
    return results;
}

QString testName(quint8 test) {
    static const char* const kStandard[] = {
        "Rich to Lean Sensor Threshold Voltage",
        "Lean to Rich Sensor Threshold Voltage",
        "Low Sensor Voltage for Switch Time Calculation",
        "High Sensor Voltage for Switch Time Calculation",
        "Rich to Lean Sensor Switch Time",
        "Lean to Rich Sensor Switch Time",
        "Minimum Sensor Voltage for Test Cycle",
        "Maximum Sensor Voltage for Test Cycle",
        "Time Between Sensor Transitions",
        "Sensor Period",
        "EWMA Misfire Counts for Last Ten Driving Cycles",
        "Misfire Counts for Last/Current Driving Cycle",
    };
    if (test >= 1 && test <= int(std::size(kStandard)))
        return hexId(test) + QLatin1Char(' ') + QLatin1String(kStandard[test - 1]);
    return hexId(test);
}

QString resultLine(const MonitorResult& result) {
    return QStringList{monitorName(result.monitor),
                       hexId(result.test),
                       result.value,
                       result.minimum,
                       result.maximum,
                       verdictText(result.pass)}
        .join(QLatin1Char('\t'));
}

QStringList MonitorScan::lines() const {
    if (!message.isEmpty())
        return {message};
    QStringList lines;
    for (const MonitorReading& reading : monitors) {
        if (!reading.noAnswer.isEmpty())
            lines << monitorName(reading.monitor) + QLatin1Char('\t') + reading.noAnswer;
        for (const MonitorResult& result : reading.results)
            lines << resultLine(result);
    }
    return lines;
}

namespace {

const QString kWhat = QStringLiteral("on-board test");

scan::ObdAnswer askSupport(scan::Driver& driver, int map) {
    return driver.ask({0x06, QByteArray(1, char(map)), 5, {}});
}

// A support request without the tests' answer: refused, or left unanswered by an ECU that does
// not have them.
bool refusedSupport(const scan::ObdAnswer& answer) {
    return answer.status() == scan::AnswerStatus::EcuTimeout ||
           answer.status() == scan::AnswerStatus::Refused;
}

struct AskedMonitor {
    MonitorReading reading;
    bool ended; // the operation was stopped, or the scan tool is gone
};

AskedMonitor askMonitor(scan::ScanToolLink& link, scan::Driver& driver, quint8 monitor) {
    const scan::ObdAnswer answer = driver.ask({0x06, QByteArray(1, char(monitor)), 0, {}});
    std::optional<std::vector<MonitorResult>> results;
    if (answer.answered() && !answer.ecus().isEmpty())
        results = monitorResults(answer.ecus().front().data, monitor);
    if (results)
        return {{monitor, *results, {}}, false};
    link.noteUnanswered();
    const scan::AnswerStatus status =
        answer.answered() ? scan::AnswerStatus::Garbled : answer.status();
    return {{monitor, {}, scan::noAnswerText(status, kWhat)}, answer.ended()};
}

} // namespace

MonitorReading readMonitor(scan::ScanToolLink& link, scan::Driver& driver, quint8 monitor) {
    // Map $00 names monitors $01-$20, map $20 names $21-$40, and so on.
    const int map = (monitor - 1) / 0x20 * 0x20;
    const scan::ObdAnswer support = askSupport(driver, map);
    if (!support.answered() || support.ecus().isEmpty()) {
        if (!refusedSupport(support)) {
            link.noteUnanswered();
            return {monitor, {}, scan::noAnswerText(support.status(), kWhat)};
        }
    } else if (support.mapNames(monitor - map)) {
        return askMonitor(link, driver, monitor).reading;
    }
    return {monitor, {}, QStringLiteral("The ECU does not support this monitor.")};
}

MonitorScan readMonitors(scan::ScanToolLink& link, scan::Driver& driver) {
    MonitorScan scan;
    std::vector<quint8> monitors;
    for (int map = 0x00; map <= 0xE0; map += 0x20) {
        const scan::ObdAnswer answer = askSupport(driver, map);
        if (!answer.answered() || answer.ecus().isEmpty()) {
            if (map == 0x00) {
                const bool none = refusedSupport(answer);
                if (!none)
                    link.noteUnanswered();
                scan.message = none
                                   ? QStringLiteral("The ECU reports no on-board monitoring tests.")
                                   : scan::noAnswerText(answer.status(), kWhat);
                return scan;
            }
            break;
        }
        for (int n = 1; n < 32; ++n) {
            if (answer.mapNames(n))
                monitors.push_back(quint8(map + n));
        }
        if (!answer.mapNames(32)) // the next map
            break;
    }
    for (const quint8 monitor : monitors) {
        AskedMonitor asked = askMonitor(link, driver, monitor);
        scan.monitors.push_back(std::move(asked.reading));
        if (asked.ended)
            break;
    }
    return scan;
}

} // namespace diag
