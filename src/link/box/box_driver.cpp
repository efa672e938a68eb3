// SPDX-License-Identifier: GPL-3.0-or-later
#include "box_driver.h"

#include "core/number_text.h"

#include <algorithm>

namespace scan::box {

namespace {
// A box that keeps sending malformed replies gets this many tries.
constexpr int kTries = 3;
// The box's frame starts with three header bytes; the third is the answering ECU.
constexpr int kHeaderBytes = 3;
// A code frame: the header, the response id and three codes.
constexpr int kCodeFrameBytes = 10;
constexpr int kCodeFrameLength = 1 + 2 * (kCodeFrameBytes + 1);

// The firmware that first carries service $09.
constexpr double kVehicleInformationFirmware = 4.00;

// Where each frame of a code reply starts (0-based): the first, then further ones of the same
// shape, each whole with its checksum. A frame that repeats an earlier one is left out, so that
// no code is listed twice.
QList<int> codeFrames(const Reply& reply) {
    const QStringView text(reply.text());
    QList<int> starts{0};
    for (int at = kCodeFrameLength; text.size() >= at + kCodeFrameLength; at += kCodeFrameLength) {
        const QStringView next = text.mid(at, kCodeFrameLength);
        if (next[0] != text[0] || !checksumHolds(next, kCodeFrameBytes) ||
            next.mid(7, 2) != text.mid(7, 2))
            break;
        const bool repeated = std::any_of(starts.begin(), starts.end(), [&](int start) {
            return text.mid(start, kCodeFrameLength) == next;
        });
        if (!repeated)
            starts.append(at);
    }
    return starts;
}

// An O2 sensor test reply must carry response id $45 or $46 (some ECUs answer service $05 in
// $06) and the test ID of the command.
Reply judgeO2Reply(const QString& command, int threshold, const QString& arrived) {
    const Reply reply = Reply::of(command, threshold, arrived);
    if (!reply.answered())
        return reply;
    const int response = reply.byte(8);
    const bool answers =
        (response == 0x45 || response == 0x46) && reply.byte(10) == hexPairValue(command.mid(2, 2));
    return answers ? reply : reply.judgedAs(Reply::Status::Garbled);
}

// A pass-through reply is complete with its 14th byte, the checksum of the 13 before it.
constexpr int kRawReplyBytes = 14;
// The header's third byte: the tester's address.
constexpr quint8 kTesterAddress = 0xF1;

bool rawChecksumHolds(const QByteArray& bytes) {
    quint8 sum = 0;
    for (qsizetype i = 0; i + 1 < kRawReplyBytes; ++i)
        sum = quint8(sum + quint8(bytes[i]));
    return sum == quint8(bytes[kRawReplyBytes - 1]);
}

Reply judgeFirmware(const QString&, int, const QString& text) {
    return Reply::firmware(text);
}

// The box's own "nothing to report" in the header of a code reply.
} // namespace

BoxCommand boxCommand(const ObdRequest& request) {
    const int frameBytes = kHeaderBytes + 1 + request.answerBytes;
    QString text = core::hexByte(request.service);
    for (const char byte : request.parameters)
        text += core::hexByte(quint8(byte));
    if (request.service == 0x05 || request.service == 0x06)
        return {text, frameBytes, 2 * frameBytes};
    if (request.parameters.isEmpty())
        return {text + core::hexByte(frameBytes) + core::hexByte(frameBytes), frameBytes,
                2 * frameBytes + 1};
    // The freeze frame's support map is waited for two characters longer.
    const bool freezeFrameMap = request.service == 0x02 && request.parameters == QByteArray(1, 0);
    return {text + core::hexByte(frameBytes), frameBytes,
            2 * frameBytes + (freezeFrameMap ? 2 : 0)};
}

ObdAnswer answerOf(const BoxCommand& command, const Reply& reply) {
    if (!reply.answered())
        return ObdAnswer(reply.status(), reply.text());
    const int service = hexPairValue(command.text.left(2));
    EcuAnswer ecu{quint8(reply.byte(6)), {}};
    if (isCodeService(service)) {
        if (nothingToReport(service, reply.byte(2)))
            return ObdAnswer(QList<EcuAnswer>{}, reply.text());
        ecu.data.append(char(reply.byte(8)));
        for (const int start : codeFrames(reply)) {
            for (int k = 0; k < 6; ++k)
                ecu.data.append(char(reply.byte(start + 10 + 2 * k)));
        }
        return ObdAnswer({ecu}, reply.text());
    }
    // Position 2 holds the first header byte; the data starts after the header.
    for (int i = kHeaderBytes; i < command.frameBytes; ++i)
        ecu.data.append(char(reply.byte(2 + 2 * i)));
    return ObdAnswer({ecu}, reply.text());
}

ObdAnswer BoxDriver::ask(const ObdRequest& request) {
    const BoxCommand command = boxCommand(request);
    std::optional<Reply> reply = wire_.awaitVehicle();
    for (int attempt = 1; !reply; ++attempt) {
        const bool o2Test = request.service == 0x05 || request.service == 0x06;
        const Reply answer = wire_.exchange(command.text, command.threshold, request.deadline,
                                            o2Test ? judgeO2Reply : Reply::of);
        const bool outOfStep = answer.status() == Reply::Status::OutOfStep;
        if (outOfStep)
            view_.setLinkColour(LinkColour::Red);
        const bool askAgain = outOfStep || answer.status() == Reply::Status::Garbled;
        if (!askAgain || attempt == kTries)
            reply = answer;
    }
    return answerOf(command, *reply);
}

std::array<quint8, 2> protocolHeader(QChar digit) {
    switch (digit.unicode() & 0x0F) {
    case 4:
        return {0x61, 0x6A};
    case 8:
        return {0xC3, 0x33};
    default:
        return {0x68, 0x6A};
    }
}

QByteArray passThroughCommand(const std::array<quint8, 3>& header, quint8 service, quint8 testId,
                              quint8 componentId, int length) {
    QByteArray command(14, '\0');
    command[0] = char(0x01);
    command[1] = char(length);
    for (int i = 0; i < 3; ++i)
        command[2 + i] = char(header[i]);
    command[5] = char(service);
    command[6] = char(testId);
    command[7] = char(componentId);
    return command;
}

Driver::RawAnswer BoxDriver::passThrough(quint8 service, quint8 testId, quint8 componentId,
                                         int length) {
    RawAnswer answer;
    link_.state().NoVehicleLink = false;
    const Reply ack = wire_.request(QStringLiteral("F00504"), 2);
    if (!ack.answered() || ack.mid(2, 1) != QLatin1String("A")) {
        link_.state().NoVehicleLink = true;
        // Markers resuming after silence read as out of step: that is no answer either.
        const bool replied = ack.answered() || ack.status() == Reply::Status::EcuTimeout;
        answer.status = replied ? Reply::Status::Refused : ack.status();
        return answer;
    }
    const QString digit = ack.mid(3, 1);
    const std::array<quint8, 2> protocol = protocolHeader(digit.isEmpty() ? QChar() : digit[0]);
    Reply reply = wire_.passThrough(passThroughCommand({protocol[0], protocol[1], kTesterAddress},
                                                       service, testId, componentId, length),
                                    kRawReplyBytes - 1);
    if (reply.answered() && !rawChecksumHolds(reply.bytes()))
        reply = Reply(Reply::Status::Garbled);
    answer.status = reply.status();
    if (reply.answered())
        std::copy_n(reply.bytes().begin(), answer.bytes.size(), answer.bytes.begin());
    return answer;
}

Driver::Identity BoxDriver::identify() {
    const Reply reply = wire_.exchange(QStringLiteral("900101"), 4, {}, judgeFirmware);
    Identity identity;
    identity.status = reply.status();
    if (reply.answered()) {
        identity.caption = reply.text();
        identity.version = core::leadingNumber(reply.mid(2, 4));
    }
    return identity;
}

void BoxDriver::nextEcu() {
    wire_.exchange(QStringLiteral("800204"), 2);
}

Driver::Start BoxDriver::start(std::optional<std::chrono::milliseconds> limit) {
    if (!wire_.ComPortActive()) {
        for (int i = 0; i < 2; ++i) {
            if (wire_.awaitReady() != BoxExchange::Ready::Vehicle)
                return {};
        }
        return {true, {}};
    }
    return waitForMarkers(limit);
}

Driver::Start BoxDriver::waitForMarkers(std::optional<std::chrono::milliseconds> limit) {
    LinkState& state = link_.state();
    state.NoVehicleLink = true;
    wire_.forgetReady();
    // Each sign of the box is shown as it comes: yellow for "P", red once it has been silent for
    // the reply timeout, the box's text following its colour.
    bool vehicleRefused = false;
    qint64 lastSign = link_.now();
    bool silenceShown = false;
    const WaitEnd end = link_.wait(
        [&] {
            switch (wire_.readyNow()) {
            case ReadyState::Vehicle:
                return true;
            case ReadyState::NoVehicle:
                vehicleRefused = true;
                lastSign = link_.now();
                silenceShown = false;
                view_.setLinkColour(LinkColour::Yellow);
                view_.showOutOfReach(QStringLiteral("Waiting for ECU"));
                return false;
            case ReadyState::NotYet:
                break;
            }
            if (!silenceShown && link_.now() - lastSign >= link_.replyTimeout().count()) {
                silenceShown = true;
                vehicleRefused = false;
                view_.setLinkColour(LinkColour::Red);
                view_.showOutOfReach(QStringLiteral("ECU Off-Line"));
            }
            return false;
        },
        limit ? Deadline::after([this] { return link_.now(); }, *limit) : Deadline::never());
    Start start;
    if (end == WaitEnd::TimedOut)
        start.reason =
            vehicleRefused
                ? QStringLiteral(
                      "the scan tool answers but does not reach the vehicle: is the ignition on?")
                : QStringLiteral("no answer from a scan tool on this port");
    if (end != WaitEnd::Met || link_.lost())
        return start;
    state.NoVehicleLink = false;
    view_.setLinkColour(LinkColour::Green);
    start.reached = true;
    return start;
}

std::optional<AnswerStatus> BoxDriver::awaitVehicle() {
    const std::optional<Reply> notReady = wire_.awaitVehicle();
    return notReady ? std::optional(notReady->status()) : std::nullopt;
}

Capabilities BoxDriver::capabilities() const {
    Capabilities can;
    can.rawPassThrough = true;
    const double firmware = link_.state().FirmwareVersion;
    can.vehicleInformation = firmware >= kVehicleInformationFirmware;
    if (!can.vehicleInformation)
        can.noVehicleInformation =
            firmware > 0
                ? QStringLiteral("Vehicle information needs scan tool firmware 4.00 or later")
                : QStringLiteral("No answer to the firmware request, and vehicle information "
                                 "needs scan tool firmware 4.00 or later");
    return can;
}

} // namespace scan::box
