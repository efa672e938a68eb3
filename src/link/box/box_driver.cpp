// SPDX-License-Identifier: GPL-3.0-or-later
#include "box_driver.h"

namespace scan::box {

namespace {
// A box that keeps sending malformed replies gets this many tries.
constexpr int kTries = 3;
// The box's frame starts with three header bytes; the third is the answering ECU.
constexpr int kHeaderBytes = 3;

QString hexPair(int value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}
} // namespace

BoxCommand boxCommand(const ObdRequest& request) {
    const int frameBytes = kHeaderBytes + 1 + request.answerBytes;
    QString text = hexPair(request.service);
    for (const char byte : request.parameters)
        text += hexPair(quint8(byte));
    text += hexPair(frameBytes);
    return {text, 2 * frameBytes};
}

ObdAnswer answerOf(const BoxCommand& command, const Reply& reply) {
    if (!reply.answered())
        return ObdAnswer(reply.status(), reply.text());
    const int frameBytes = conv_hex(command.text.right(2));
    EcuAnswer ecu{quint8(reply.byte(6)), {}};
    // Position 2 holds the first header byte; the data starts after the header.
    for (int i = kHeaderBytes; i < frameBytes; ++i)
        ecu.data.append(char(reply.byte(2 + 2 * i)));
    return ObdAnswer({ecu}, reply.text());
}

ObdAnswer BoxDriver::ask(const ObdRequest& request) {
    const BoxCommand command = boxCommand(request);
    std::optional<Reply> reply = link_.awaitVehicle();
    for (int attempt = 1; !reply; ++attempt) {
        const Reply answer = link_.exchange(command.text, command.threshold);
        const bool outOfStep = answer.status() == Reply::Status::OutOfStep;
        if (outOfStep)
            view_.setLinkColour(LinkColour::Red);
        const bool askAgain = outOfStep || answer.status() == Reply::Status::Garbled;
        if (!askAgain || attempt == kTries)
            reply = answer;
    }
    return answerOf(command, *reply);
}

Capabilities BoxDriver::capabilities() const {
    Capabilities can;
    can.rawPassThrough = true;
    return can;
}

} // namespace scan::box
