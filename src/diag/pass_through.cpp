// SPDX-License-Identifier: GPL-3.0-or-later
#include "pass_through.h"

#include <algorithm>

namespace diag {

namespace {
// A pass-through reply is complete with its 14th byte, the checksum of the 13 before it.
constexpr int kReplyBytes = 14;

bool checksumHolds(const QByteArray& bytes) {
    quint8 sum = 0;
    for (qsizetype i = 0; i + 1 < kReplyBytes; ++i)
        sum = quint8(sum + quint8(bytes[i]));
    return sum == quint8(bytes[kReplyBytes - 1]);
}
} // namespace

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

scan::Reply PassThrough::PASS_ON() {
    link_.state().NoVehicleLink = false;
    const scan::Reply ack = link_.request(QStringLiteral("F00504"), 2);
    // Markers resuming after silence read as out of step: that is no answer either.
    const bool replied = ack.answered() || ack.status() == scan::Reply::Status::EcuTimeout;
    if (ack.answered() && ack.mid(2, 1) == QLatin1String("A")) {
        const QString digit = ack.mid(3, 1);
        const std::array<quint8, 2> header = protocolHeader(digit.isEmpty() ? QChar() : digit[0]);
        MsgHeader[0] = header[0];
        MsgHeader[1] = header[1];
        return ack;
    }
    link_.state().NoVehicleLink = true;
    if (!replied)
        return ack;
    // An ELM327 adapter on CAN has no pass-through: its results carry units and scaling that
    // this form has no room for, so they are not shown rather than shown wrong.
    const bool canBus = ack.answered() && ack.mid(2, 2) == QLatin1String("NC");
    prompter_.message({canBus ? QStringLiteral("The on-board test results of a CAN vehicle cannot "
                                               "be shown through an ELM327 adapter.")
                              : QStringLiteral("PASS command not acknowledged")});
    return scan::Reply(scan::Reply::Status::Refused);
}

scan::Reply PassThrough::PASS_MSG_OUT(quint8 service, quint8 testId, quint8 componentId,
                                      int length) {
    PassReply.fill(0);
    const scan::Reply ack = PASS_ON();
    if (!ack.answered()) {
        if (ack.status() != scan::Reply::Status::Refused)
            link_.noteUnanswered();
        return ack;
    }
    scan::Reply reply = link_.passThrough(
        passThroughCommand(MsgHeader, service, testId, componentId, length), kReplyBytes - 1);
    if (reply.answered() && !checksumHolds(reply.bytes()))
        reply = scan::Reply(scan::Reply::Status::Garbled);
    if (!reply.answered()) {
        link_.noteUnanswered();
        return reply;
    }
    const QByteArray& bytes = reply.bytes();
    std::copy_n(bytes.begin(), std::min<qsizetype>(bytes.size(), 13), PassReply.begin());
    return reply;
}

} // namespace diag
