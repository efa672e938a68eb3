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

// Reads every monitor the ECU supports, as the report's lines (an unanswered monitor: its
// no-answer line, counted).
QStringList readMonitors(scan::ScanToolLink& link, scan::Driver& driver);

} // namespace diag
