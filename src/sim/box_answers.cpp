// SPDX-License-Identifier: GPL-3.0-or-later
#include "box_answers.h"

#include <algorithm>
#include <utility>

namespace sim {

namespace {

// The first two header bytes a pass-through command carries for the protocol digit.
std::pair<quint8, quint8> passThroughHeader(char protocol) {
    switch (protocol & 0x0F) {
    case 4:
        return {0x61, 0x6A};
    case 8:
        return {0xC3, 0x33};
    default:
        return {0x68, 0x6A};
    }
}

} // namespace

BoxAnswers::BoxAnswers(Profile profile) : vehicle_(std::move(profile)) {}

QByteArray BoxAnswers::answer(const Command& command, double seconds) {
    const char leading = profile().leadingChar;
    switch (command.service) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x07:
    case 0x0A:
        return vehicleReply(command, seconds);
    case 0x09:
        return answersInformation() ? vehicleReply(command, seconds) : unanswered(command);
    case 0x05:
    case 0x06:
        return reachable() ? o2TestReply(command) : unanswered(command);
    case 0x80:
        return nextEcuReply();
    case 0x90:
        return firmwareFrame(leading, profile().firmware);
    case 0xF0:
        return passThroughAckFrame(leading, profile().protocol);
    default:
        return unanswered(command);
    }
}

QByteArray BoxAnswers::unanswered(const Command& command) const {
    return unansweredFrame(profile().leadingChar, replyLength(command));
}

QByteArray BoxAnswers::damaged(const Command& command) const {
    return damagedFrame(profile().leadingChar, replyLength(command));
}

QByteArray BoxAnswers::refusal(const Command& command, quint8 reason) const {
    return ecuReply(command, negativeResponse(command.service, reason));
}

int BoxAnswers::replyLength(const Command& command) {
    // The O2 test commands carry the sensor code where others ask for a length: their replies
    // are the header, the response id, the test id and then the support bytes (with the sensor
    // code in front and a spare byte after), the value, or the value and its limits.
    if (command.service == 0x05 || command.service == 0x06) {
        if (command.parameter == 0)
            return 9;
        return command.parameter <= 4 ? 6 : 8;
    }
    return command.length;
}

QByteArray BoxAnswers::vehicleReply(const Command& command, double seconds) {
    // A code request's parameter byte is the length again, not a part of the request.
    QByteArray request(1, char(command.service));
    const bool information = command.service == 0x09;
    if (command.service <= 0x02 || information)
        request.append(char(command.parameter));
    // The box passes on the first message only: of more codes, the first three. Vehicle
    // information it gathers whole, as CAN sends it.
    const QList<QByteArray> messages =
        vehicle_.answer(ecuIndex_, request, information ? Bus::Can : Bus::NonCan, seconds);
    if (messages.isEmpty())
        return unanswered(command);
    if (request == QByteArray("\x09\x02", 2) && vehicle_.ecu(ecuIndex_).vinFrameMissing)
        return ecuFrame(profile().leadingChar, currentEcuAddress(), messages.front(),
                        std::max(0, replyLength(command) - 1));
    return ecuReply(command, messages.front());
}

bool BoxAnswers::answersInformation() const {
    bool number = false;
    const double version = profile().firmware.toDouble(&number);
    return number && version >= 4.0;
}

QByteArray BoxAnswers::o2TestReply(const Command& command) const {
    const std::optional<O2TestResults>& results = vehicle_.ecu(ecuIndex_).o2Tests;
    const quint8 sensor = command.length;
    // Either O2 service reads the same test; each has its own support answer.
    const quint8 service = command.parameter == 0 ? command.service : 0x05;
    const QByteArray asked =
        QByteArray(1, char(service)).append(char(command.parameter)).append(char(sensor));
    if (const auto script = vehicle_.scripted(ecuIndex_, asked)) {
        switch (*script) {
        case Vehicle::Scripted::Unanswered:
            return unanswered(command);
        case Vehicle::Scripted::Refused:
            return refusal(command, 0x12);
        case Vehicle::Scripted::Garbled:
            return damaged(command);
        }
    }
    if (!results)
        return refusal(command, 0x12); // sub-function not supported
    const auto tests = results->sensors.find(sensor);
    if (tests == results->sensors.end())
        return refusal(command, 0x12);
    QByteArray payload(1, char(command.service == 0x05 ? results->supportReplyId : 0x46));
    payload.append(char(command.parameter));
    if (command.parameter == 0) {
        // Bit 7 of the first byte is test $01 ... bit 0 test $08; bit 7 of the second test $09.
        return ecuReply(command,
                        payload.append(char(sensor)).append(supportBits(tests->second, 0).left(2)));
    }
    const auto test = tests->second.find(command.parameter);
    if (test == tests->second.end())
        return refusal(command, 0x12);
    return ecuReply(command, payload.append(test->second));
}

QByteArray BoxAnswers::ecuReply(const Command& command, const QByteArray& message) const {
    return ecuFrame(profile().leadingChar, currentEcuAddress(), message, replyLength(command));
}

QByteArray BoxAnswers::nextEcuReply() {
    ecuIndex_ = (ecuIndex_ + 1) % vehicle_.ecuCount();
    return ecuSwitchFrame(profile().leadingChar, currentEcuAddress());
}

QByteArray BoxAnswers::passThrough(const QByteArray& received) {
    const QByteArray command = received.leftJustified(kPassThroughBytes, '\0', true);
    const auto at = [&command](int i) { return quint8(command.at(i)); };
    const auto [first, second] = passThroughHeader(profile().protocol);
    const bool test = at(1) == 6 && at(6) != 0;
    const bool supported = at(1) == 5 && at(6) == 0 && at(7) == 0;
    const bool wellFormed = received.size() == kPassThroughBytes && at(0) == 0x01 &&
                            at(2) == first && at(3) == second && at(4) == 0xF1 && at(5) == 0x06 &&
                            (test || supported);
    // A test the car left unanswered: no raw message comes back; one it garbled fails its checksum.
    const auto script = wellFormed ? vehicle_.scripted(ecuIndex_, command.mid(5, 3)) : std::nullopt;
    if (script == Vehicle::Scripted::Unanswered)
        return {};
    if (script == Vehicle::Scripted::Garbled) {
        QByteArray spoilt = rawFrame(currentEcuAddress(), QByteArray(1, char(0x46)));
        spoilt.back() = char(~spoilt.back());
        return spoilt;
    }
    QByteArray message;
    if (wellFormed && supported && !script)
        message = vehicle_.answer(ecuIndex_, command.mid(5, 2), Bus::NonCan, 0).value(0);
    // A test's result comes through without its test id.
    const MonitorTest* result = wellFormed && test && !script && reachable()
                                    ? vehicle_.monitorResult(ecuIndex_, at(6), at(7))
                                    : nullptr;
    if (result)
        message = QByteArray(1, char(0x46)).append(resultBytes(*result, at(7)));
    if (message.isEmpty())
        message = negativeResponse(at(5), 0x12);
    return rawFrame(currentEcuAddress(), message);
}

} // namespace sim
