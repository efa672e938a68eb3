// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/driver.h"
#include "link/scan_tool_link.h"

#include <QStringList>

#include <optional>
#include <vector>

namespace diag {

// One test result of an on-board monitor in its CAN form: the value and both limits, written in
// the unit its unit-and-scaling ID names.
struct MonitorResult {
    quint8 monitor;
    quint8 test;
    QString value; // with its unit: "0.551 V"
    QString minimum;
    QString maximum;
    bool pass; // minimum <= value <= maximum
};

// The monitor's name: "O2 Sensor Monitor Bank 1 - Sensor 1", "Misfire Cylinder 1 Data".
QString monitorName(quint8 monitor);

// The results in an answer to service $06 on CAN (its response id, then nine bytes a test:
// monitor, test, unit-and-scaling ID, value, minimum, maximum); nothing when a record is cut
// short, names another monitor or has a unit no table row knows.
std::optional<std::vector<MonitorResult>> monitorResults(const QByteArray& answer, quint8 monitor);

// The report's line of a result: name, test, value, minimum, maximum and verdict, tab-separated.
QString resultLine(const MonitorResult& result);

// One monitor's results, or the line that says why there are none.
struct MonitorReading {
    quint8 monitor;
    std::vector<MonitorResult> results;
    QString noAnswer;
};

// Every monitor the ECU supports; when there are none, why (`message`).
struct MonitorScan {
    std::vector<MonitorReading> monitors;
    QString message;

    // The report's lines: one a test, or a monitor's no-answer line.
    QStringList lines() const;
};

// Reads every monitor the ECU supports; an unanswered monitor is counted.
MonitorScan readMonitors(scan::ScanToolLink& link, scan::Driver& driver);

} // namespace diag
