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

// A monitor or test ID as the tests show it: "$0B".
QString hexId(quint8 id);

// The monitor a typed ID names ("$21", "33"); nothing for text that is no ID, and for the
// support IDs $00, $20 ... $E0, which ask which monitors there are.
std::optional<quint8> typedMonitorId(const QString& text);

// The monitor's name: "O2 Sensor Monitor Bank 1 - Sensor 1", "Misfire Cylinder 1 Data".
QString monitorName(quint8 monitor);

// The results in an answer to service $06 on CAN (its response id, then nine bytes a test:
// monitor, test, unit-and-scaling ID, value, minimum, maximum); nothing when a record is cut
// short, names another monitor or has a unit no table row knows.
std::optional<std::vector<MonitorResult>> monitorResults(const QByteArray& answer, quint8 monitor);

// The test's name: the standard O2 sensor and misfire tests $01-$0C by what they measure, the
// others by number ("$8E").
QString testName(quint8 test);

// The report's line of a result: name, test, value, minimum, maximum and verdict, tab-separated.
QString resultLine(const MonitorResult& result);

// One monitor's results, or the line that says why there are none.
struct MonitorReading {
    quint8 monitor;
    std::vector<MonitorResult> results;
    QString noAnswer;
};

// Reads one monitor after asking whether the ECU supports it; an unanswered request is counted.
MonitorReading readMonitor(scan::ScanToolLink& link, scan::Driver& driver, quint8 monitor);

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
