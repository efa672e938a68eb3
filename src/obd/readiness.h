// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

namespace obd {

// One readiness monitor the ECU supports, as the monitor status (service $01 PID $01) gives it.
struct Monitor {
    const char* name; // "Catalyst Monitoring"
    bool complete;
    // Misfire, fuel system and components run all the time; an inspection does not count them.
    bool continuous;
};

// The monitor status: the lamp, the stored code count and each supported monitor, in the
// order the status window lists them.
struct MonitorStatus {
    bool milOn = false;
    int storedCodes = 0;
    bool compressionIgnition = false;
    std::vector<Monitor> monitors;
    // Whether the O2 sensor monitor has completed: only a spark ignition ECU's can.
    bool o2SensorComplete = false;

    static MonitorStatus of(quint8 a, quint8 b, quint8 c, quint8 d);
};

// The model year the VIN's 10th character gives (its 7th, a digit or a letter, picks the cycle);
// nothing when it names none.
std::optional<int> modelYearOf(const QString& vin);

// Whether the vehicle would pass an emissions inspection's readiness check, as one line: the MIL
// off, and no more incomplete non-continuous monitors than its model year allows (2001 on: one;
// 1996-2000: two; unknown: one).
QString readinessVerdict(const MonitorStatus& status, std::optional<int> modelYear);

} // namespace obd
