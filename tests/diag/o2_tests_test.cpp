// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag/o2_tests.h"
#include "support/qt_printers.h"
#include "support/scripted_scan_tool.h"

#include <gtest/gtest.h>

namespace {

QByteArray frame(const QByteArray& hex) {
    return ScriptedScanTool::frame(hex);
}

// Each answered test as "id value[ min max]", with "!" when the value lies outside its limits.
QStringList shown(const diag::O2TestOutcome& outcome) {
    QStringList lines;
    for (const diag::O2TestResult& r : outcome.results)
        lines << QString::number(r.id) + r.value + r.min + r.max + (r.failed ? "!" : "");
    return lines;
}

TEST(O2TestsTest, SensorListFollowsTheBankLayoutOfThePidThatReportedIt) {
    obd::SurveyState survey;
    survey.O2Present = {1, 0, 0, 0, 16, 0, 0, 0}; // PID $13 = $11
    QStringList lines;
    for (const diag::O2Sensor& sensor : diag::o2Sensors(survey))
        lines << sensor.line + "=" + QString::number(sensor.code);
    EXPECT_EQ(lines, QStringList({"Bank1, Sensor1=1", "Bank2, Sensor1=16"}));

    survey.O2Present = {1, 0, 4, 0, 0, 0, 0, 128};
    survey.O2SensorsInFourBanks = true; // PID $1D
    lines.clear();
    for (const diag::O2Sensor& sensor : diag::o2Sensors(survey))
        lines << sensor.line;
    EXPECT_EQ(lines, QStringList({"Bank1, Sensor1", "Bank2, Sensor1", "Bank4, Sensor2"}));
}

TEST(O2TestsTest, EachTestTheEcuRunsIsAskedAndEveryFailureSaysWhy) {
    struct Case {
        const char* name;
        int sensor;
        std::map<QByteArray, QByteArray> replies;
        QByteArrayList sent;
        QStringList results;
        QString message;
        int unanswered;
    };
    const Case cases[] = {
        {"tests $01 and $02 only, $02 always in service $06",
         16,
         {{"050010", frame("486B10460010C00000")},
          {"050110", frame("486B1046015A")},
          {"060210", frame("486B10460250")}},
         {"050010", "050110", "060210"},
         {"1 .45 V", "2 .4 V"},
         {},
         0},
        {"an ECU answering $45 is asked again in service $06",
         1,
         {{"050001", frame("486B10450001FF8000")},
          {"060001", frame("486B10460001080000")},
          {"060501", frame("486B104605190A32")}},
         {"050001", "060001", "060501"},
         {"5 .1 S .04 S .2 S"},
         {},
         0},
        {"a stray leading S is stepped over",
         1,
         {{"050001", "S" + frame("486B10460001080000")}, {"050501", frame("486B104605330A32")}},
         {"050001", "050501"},
         {"5 .204 S .04 S .2 S!"},
         {},
         0},
        {"out of step three times is an ECU timeout",
         1,
         {{"050001", "V4S6B10460001C00000"}},
         {"050001", "050001", "050001"},
         {},
         "ECU Timeout",
         1},
        {"refused in both services is not supported",
         1,
         {{"050001", frame("486B107F0512000000")}, {"060001", frame("486B107F0612000000")}},
         {"050001", "060001"},
         {},
         "The O2 Sensor Test is not supported by this vehicle",
         0},
        {"the reply of another test is no answer, and the next test is still asked",
         1,
         {{"050001", frame("486B10460001C00000")},
          {"050101", frame("486B1046025A")},
          {"060201", frame("486B10460250")}},
         {"050001", "050101", "050101", "050101", "060201"},
         {"1No Answer", "2 .4 V"},
         "No answer to the O2 sensor test $01 request.",
         1},
        {"each test without an answer has its own line",
         1,
         {{"050001", frame("486B10460001C00000")},
          {"050101", "VS0000000000000000"},
          {"060201", "VS0000000000000000"}},
         {"050001", "050101", "060201"},
         {"1No Answer", "2No Answer"},
         "ECU Timeout (O2 sensor test $01)\nECU Timeout (O2 sensor test $02)",
         2},
    };
    for (const Case& c : cases) {
        ScriptedScanTool tool;
        tool.replies = c.replies;
        obd::SurveyState survey;
        diag::O2Tests tests(tool.link, tool.box, tool.view, survey);
        const diag::O2TestOutcome outcome = tests.readTestResults(c.sensor);
        EXPECT_EQ(tool.sent, c.sent) << c.name;
        EXPECT_EQ(shown(outcome), c.results) << c.name;
        EXPECT_EQ(outcome.message, c.message) << c.name;
        EXPECT_EQ(tool.link.unanswered(), c.unanswered) << c.name;
    }
}

} // namespace
