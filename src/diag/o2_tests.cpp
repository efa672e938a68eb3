// SPDX-License-Identifier: GPL-3.0-or-later
#include "o2_tests.h"

#include "core/number_text.h"

#include <bit>

namespace diag {

namespace {

// The support answer: test ID $00 and four bytes of which tests run.
constexpr int kSupportBytes = 5;
// Test $02 is always asked in service $06.
constexpr int kLeanToRichTest = 2;

const QString kNotSupported = QStringLiteral("The O2 Sensor Test is not supported by this vehicle");
const QString kEcuTimeout = QStringLiteral("ECU Timeout");

QString testName(int id) {
    return QStringLiteral("O2 sensor test $") + core::hexByte(id);
}

} // namespace

const std::array<O2Test, 9>& o2TestTable() {
    static const std::array<O2Test, 9> table{{
        {1, 0.005, " V", false, "Rich to Lean Sensor Threshold Voltage"},
        {2, 0.005, " V", false, "Lean to Rich Sensor Threshold Voltage"},
        {3, 0.005, " V", false, "Low Sensor Voltage for Sensor Switch time calculation"},
        {4, 0.005, " V", false, "High Sensor Voltage for Sensor Switch time calculation"},
        {5, 0.004, " S", true, "Rich to Lean Sensor Switch Time"},
        {6, 0.004, " S", true, "Lean to Rich Sensor Switch Time"},
        {7, 0.005, " V", true, "Minimum Sensor Voltage for Test Cycle"},
        {8, 0.005, " V", true, "Maximun Sensor Voltage for Test Cycle"},
        {9, 0.04, " S", true, "Time Between Sensor Transitions"},
    }};
    return table;
}

QList<O2Sensor> o2Sensors(const obd::SurveyState& survey) {
    QList<O2Sensor> sensors;
    const int perBank = survey.O2SensorsInFourBanks ? 2 : 4;
    for (int k = 0; k < 8; ++k) {
        if (survey.O2Present[k] != 0)
            sensors.append(
                {QStringLiteral("Bank%1, Sensor%2").arg(k / perBank + 1).arg(k % perBank + 1),
                 1 << k});
    }
    return sensors;
}

quint8 o2Monitor(int sensorCode, bool fourBanks) {
    const int k = std::countr_zero(unsigned(sensorCode));
    return quint8(fourBanks ? k / 2 * 4 + k % 2 + 1 : k + 1);
}

scan::ObdAnswer O2Tests::ask(quint8 service, int test, int sensor, int answerBytes) {
    QByteArray parameters;
    parameters.append(char(test)).append(char(sensor));
    return driver_.ask({service, parameters, answerBytes, {}});
}

QString O2Tests::failure(const scan::ObdAnswer& reply, const QString& what) {
    using Status = scan::AnswerStatus;
    if (reply.status() != Status::Refused)
        link_.noteUnanswered();
    if (reply.ended())
        return scan::interruptionText(reply, QStringLiteral("The O2 sensor test"));
    if (reply.status() == Status::EcuTimeout || reply.status() == Status::OutOfStep)
        return kEcuTimeout;
    return scan::noAnswerText(reply, what);
}

O2TestOutcome O2Tests::readMonitorResults(int sensor) {
    const MonitorReading reading =
        readMonitor(link_, driver_, o2Monitor(sensor, survey_.O2SensorsInFourBanks));
    O2TestOutcome outcome{{}, reading.noAnswer, reading};
    for (const O2Test& test : o2TestTable()) {
        for (const MonitorResult& result : reading.results) {
            // The threshold voltages stand out unless they failed.
            if (result.test == test.id)
                outcome.results.append({test.id, result.value, result.minimum, result.maximum,
                                        !test.limits && result.pass, !result.pass, true});
        }
    }
    return outcome;
}

O2TestOutcome O2Tests::readTestResults(int sensor) {
    link_.state().NoVehicleLink = false;
    if (fromMonitors())
        return readMonitorResults(sensor);
    quint8 Mode5Service = 0x05;
    scan::ObdAnswer support;
    for (;;) {
        support = ask(Mode5Service, 0x00, sensor, kSupportBytes);
        if (link_.state().DebugMode)
            view_.appendStatusText(QStringLiteral("\r\nMode 5, PID 0 = ") + support.raw());
        // Some ECUs report these tests only in service $06.
        const bool supported =
            support.answered() && support.byte(0) == 0x46 && support.byte(1) == 0;
        if (supported)
            break;
        if (!support.answered() && support.status() != scan::AnswerStatus::Refused)
            return {{}, failure(support, QStringLiteral("O2 sensor test support")), {}};
        if (Mode5Service != 0x05)
            return {{}, kNotSupported, {}};
        Mode5Service = 0x06;
    }

    // Bit 7 of A is test $01 ... bit 0 test $08; bit 7 of B test $09.
    const int tests = support.byte(3) << 1 | support.byte(4) >> 7;
    O2TestOutcome outcome;
    for (const O2Test& test : o2TestTable()) {
        if (!(tests & (0x100 >> (test.id - 1))))
            continue;
        const quint8 service = test.id == kLeanToRichTest ? 0x06 : Mode5Service;
        // The test ID, the value and, for tests with limits, minimum and maximum.
        const scan::ObdAnswer reply = ask(service, test.id, sensor, test.limits ? 4 : 2);
        if (!reply.answered()) {
            // One test the ECU leaves unanswered says nothing of the others.
            QString why = failure(reply, testName(test.id));
            if (why == kEcuTimeout)
                why += QStringLiteral(" (%1)").arg(testName(test.id));
            outcome.message += (outcome.message.isEmpty() ? QString() : QStringLiteral("\n")) + why;
            if (reply.ended())
                return outcome;
            outcome.results.append(
                {test.id, QStringLiteral("No Answer"), {}, {}, false, false, false});
            continue;
        }
        const auto text = [&](int index) {
            return core::numberText(reply.byte(index) * test.scale) + QLatin1String(test.unit);
        };
        O2TestResult result{test.id, text(2), {}, {}, !test.limits, false, true};
        if (test.limits) {
            result.min = text(3);
            result.max = text(4);
            const int value = reply.byte(2);
            result.failed = value < reply.byte(3) || value > reply.byte(4);
        }
        outcome.results.append(result);
    }
    return outcome;
}

} // namespace diag
