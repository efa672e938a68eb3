// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mode6_result.h"
#include "monitor_results.h"
#include "pass_through.h"

#include <optional>

namespace diag {

// What one on-board test request brought: the returned message when the ECU gave no result,
// otherwise the result; neither when the result cannot be decoded with the scale typed.
struct Mode6Reading {
    QString returned;
    std::optional<Mode6Result> result;
};

// The tests the ECU supports, or the returned message why none are listed.
struct Mode6Scan {
    QString returned;
    QStringList tests;
};

// The on-board monitoring tests (service $06), read through the scan tool's pass-through.
class Mode6Tests {
public:
    Mode6Tests(scan::ScanToolLink& link, scan::Driver& driver, core::Prompter& prompter)
        : link_(link), driver_(driver), pass_(link, driver, prompter) {}

    // One test of one component, decoded with the scale factor and units of the shop manual.
    Mode6Reading readTestResult(quint8 testId, quint8 componentId, const QString& scaleText,
                                const QString& units);
    Mode6Scan scanSupportedTests();
    // On CAN the ECU gives every monitor's results with units and both limits.
    bool monitorsReadable() const { return driver_.capabilities().canTestResults; }
    MonitorScan scanMonitors() { return readMonitors(link_, driver_); }
    MonitorReading readMonitor(quint8 monitor) {
        return diag::readMonitor(link_, driver_, monitor);
    }

    const PassReplyBytes& lastReply() const { return pass_.reply; }

private:
    // Sends the request; what the returned-message box says when the reply is not a positive
    // answer ($46), nothing when it is.
    std::optional<QString> ask(quint8 testId, quint8 componentId, int length);

    scan::ScanToolLink& link_;
    scan::Driver& driver_;
    PassThrough pass_;
};

} // namespace diag
