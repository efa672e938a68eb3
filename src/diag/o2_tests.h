// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/driver.h"
#include "link/scan_tool_link.h"
#include "monitor_results.h"
#include "obd/survey_state.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace diag {

// One of the nine O2 sensor monitoring tests of service $05 (or $06 for ECUs that report them
// there).
struct O2Test {
    int id;       // 1..9, the test id in the command
    double scale; // per unit of the value and limit bytes
    const char* unit;
    bool limits; // the reply carries a minimum and a maximum after the value
    const char* label;
};

const std::array<O2Test, 9>& o2TestTable();

// What one answered test showed.
struct O2TestResult {
    int id = 0;
    QString value; // e.g. " .45 V"
    QString min;   // empty for the tests without limits
    QString max;
    bool highlighted = false; // the threshold voltages stand out in light green
    bool failed = false;      // the value lies outside its limits
    bool answered = true;     // false: the value says "No Answer" and there are no limits
};

// A test sequence's results in test order, and the message it shows: why the sequence could not
// run (not supported, ECU Timeout), or a line for each test left without an answer. On CAN the
// tests come from the sensor's on-board monitor, `monitor` has every one of them with its
// limits, and those with the IDs of the nine tests fill `results` as well.
struct O2TestOutcome {
    QList<O2TestResult> results;
    QString message;
    std::optional<MonitorReading> monitor;
};

// A sensor of the list the O2 test window offers.
struct O2Sensor {
    QString line; // "Bank1, Sensor1"
    int code;     // 2^k for position k
};

// The sensors PID $13 or $1D reported, in bit order.
QList<O2Sensor> o2Sensors(const obd::SurveyState& survey);

// The on-board monitor that tests the sensor of a code: with PID $13's two banks of four sensors
// bank 1 is $01-$04 and bank 2 $05-$08; with PID $1D's four banks of two, bank 1 is $01/$02,
// bank 2 $05/$06, bank 3 $09/$0A and bank 4 $0D/$0E.
quint8 o2Monitor(int sensorCode, bool fourBanks);

// Service $05, the O2 sensor tests: asks which tests the ECU runs for a sensor, then each of them.
class O2Tests {
public:
    O2Tests(scan::ScanToolLink& link, scan::Driver& driver, scan::LinkView& view,
            const obd::SurveyState& survey)
        : link_(link), driver_(driver), view_(view), survey_(survey) {}

    // The whole sequence of tests for one sensor code; on CAN its monitor's results.
    O2TestOutcome readTestResults(int sensor);

    QList<O2Sensor> sensors() const { return o2Sensors(survey_); }
    // On CAN the sensors' on-board monitors hold the tests.
    bool fromMonitors() const { return driver_.capabilities().canTestResults; }
    // The monitor status said that the O2 sensor monitor has not completed: only an answered
    // status says so.
    bool monitorIncomplete() const { return survey_.O2MonitorComplete == false; }

private:
    O2TestOutcome readMonitorResults(int sensor);
    // Asks test `test` (0: which tests run) of the sensor in the service.
    scan::ObdAnswer ask(quint8 service, int test, int sensor, int answerBytes);
    // The message for a request that got no usable answer; counts it unless the ECU refused.
    QString failure(const scan::ObdAnswer& answer, const QString& what);

    scan::ScanToolLink& link_;
    scan::Driver& driver_;
    scan::LinkView& view_;
    const obd::SurveyState& survey_;
};

} // namespace diag
