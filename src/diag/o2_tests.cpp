// SPDX-License-Identifier: GPL-3.0-or-later
#include "o2_tests.h"

#include "core/number_text.h"

namespace diag {

namespace {

constexpr int kSupportThreshold = 18;
// A scan tool that keeps sending replies out of step or malformed gets this many tries.
constexpr int kTries = 3;
// Test $02 is always asked in service $06.
constexpr int kLeanToRichTest = 2;

const QString kNotSupported = QStringLiteral("The O2 Sensor Test is not supported by this vehicle");
const QString kEcuTimeout = QStringLiteral("ECU Timeout");

QString twoHex(int value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString testName(int id) {
    return QStringLiteral("O2 sensor test $") + twoHex(id);
}

} // namespace

const std::array<O2Test, 9>& o2TestTable() {
    static const std::array<O2Test, 9> table{{
        {1, 12, 0.005, " V", false, "Rich to Lean Sensor Threshold Voltage"},
        {2, 12, 0.005, " V", false, "Lean to Rich Sensor Threshold Voltage"},
        {3, 12, 0.005, " V", false, "Low Sensor Voltage for Sensor Switch time calculation"},
        {4, 12, 0.005, " V", false, "High Sensor Voltage for Sensor Switch time calculation"},
        {5, 16, 0.004, " S", true, "Rich to Lean Sensor Switch Time"},
        {6, 16, 0.004, " S", true, "Lean to Rich Sensor Switch Time"},
        {7, 16, 0.005, " V", true, "Minimum Sensor Voltage for Test Cycle"},
        {8, 16, 0.005, " V", true, "Maximun Sensor Voltage for Test Cycle"},
        {9, 16, 0.04, " S", true, "Time Between Sensor Transitions"},
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

QString sensorCodeText(int code) {
    return twoHex(code);
}

scan::Reply judgeO2Reply(const QString& command, int threshold, const QString& arrived) {
    const scan::Reply reply = scan::Reply::of(command, threshold, arrived);
    if (!reply.answered())
        return reply;
    const int testId = scan::conv_hex(core::mid(command, 3, 2));
    const int response = reply.byte(8);
    const bool answers = (response == 0x45 || response == 0x46) && reply.byte(10) == testId;
    return answers ? reply : reply.judgedAs(scan::Reply::Status::Garbled);
}

std::optional<O2TestOutcome> O2Tests::get_O2_tests(int sensor) {
    scan::ScanToolLink::Operation operation(link_);
    if (!operation.started())
        return std::nullopt;
    return sequence(sensor);
}

scan::Reply O2Tests::ask(const QString& command, int threshold) {
    std::optional<scan::Reply> reply = link_.awaitVehicle();
    for (int attempt = 1; !reply; ++attempt) {
        const scan::Reply answer = link_.exchange(command, threshold, std::nullopt, judgeO2Reply);
        const bool askAgain = answer.status() == scan::Reply::Status::OutOfStep ||
                              answer.status() == scan::Reply::Status::Garbled;
        if (!askAgain || attempt == kTries)
            reply = answer;
        else if (std::optional<scan::Reply> notReady = link_.awaitVehicle())
            reply = notReady;
    }
    return *reply;
}

QString O2Tests::failure(const scan::Reply& reply, const QString& what) {
    using Status = scan::Reply::Status;
    if (reply.status() != Status::Refused)
        link_.noteUnanswered();
    if (reply.ended())
        return scan::interruptionText(reply, QStringLiteral("The O2 sensor test"));
    if (reply.status() == Status::EcuTimeout || reply.status() == Status::OutOfStep)
        return kEcuTimeout;
    return scan::noAnswerText(reply, what);
}

O2TestOutcome O2Tests::sequence(int sensor) {
    link_.state().NoVehicleLink = false;
    QString Mode5Service = QStringLiteral("05");
    const QString code = sensorCodeText(sensor);
    scan::Reply support;
    for (;;) {
        support = ask(Mode5Service + QStringLiteral("00") + code, kSupportThreshold);
        if (link_.state().DebugMode)
            view_.appendStatusText(QStringLiteral("\r\nMode 5, PID 0 = ") + support.text());
        // Some ECUs report these tests only in service $06.
        const bool supported = support.answered() && support.mid(8, 4) == QLatin1String("4600");
        if (supported)
            break;
        if (!support.answered() && support.status() != scan::Reply::Status::Refused)
            return {{}, failure(support, QStringLiteral("O2 sensor test support"))};
        if (Mode5Service != QLatin1String("05"))
            return {{}, kNotSupported};
        Mode5Service = QStringLiteral("06");
    }

    // Bit 7 of A is test $01 ... bit 0 test $08; bit 7 of B test $09.
    const int tests = support.byte(14) << 1 | support.byte(16) >> 7;
    O2TestOutcome outcome;
    for (const O2Test& test : o2TestTable()) {
        if (!(tests & (0x100 >> (test.id - 1))))
            continue;
        const QString service = test.id == kLeanToRichTest ? QStringLiteral("06") : Mode5Service;
        const scan::Reply reply = ask(service + twoHex(test.id) + code, test.threshold);
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
        const auto text = [&](int position) {
            return core::numberText(reply.byte(position) * test.scale) + QLatin1String(test.unit);
        };
        O2TestResult result{test.id, text(12), {}, {}, !test.limits, false, true};
        if (test.limits) {
            result.min = text(14);
            result.max = text(16);
            const int value = reply.byte(12);
            result.failed = value < reply.byte(14) || value > reply.byte(16);
        }
        outcome.results.append(result);
    }
    return outcome;
}

} // namespace diag
