// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb_packets.h"

#include <QStringList>

namespace scan::usb {

namespace {

SetupPacket carrying(Request request, quint8 p0, quint8 p1, quint8 p2, quint8 p3) {
    return {SetupPacket::kVendorIn, request, quint16(p0 | p1 << 8), quint16(p2 | p3 << 8), 1};
}

} // namespace

std::optional<Identity> parseIdentity(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return std::nullopt;
    Identity identity;
    for (int i = 0; i < 2; ++i) {
        bool ok = false;
        const uint value = parts[i].toUInt(&ok, 16);
        if (!ok || parts[i].size() > 4 || parts[i].startsWith(QLatin1Char('+')))
            return std::nullopt;
        (i == 0 ? identity.vendor : identity.product) = quint16(value);
    }
    return identity;
}

SetupPacket requestPacket(Request request) {
    return {SetupPacket::kVendorIn, request, 0, 0,
            request == kReadBuffer ? kReadChunk : quint16(1)};
}

std::optional<std::vector<SetupPacket>> commandPackets(QByteArrayView command) {
    if (command.size() < 6)
        return std::nullopt;
    const auto c = [&](int i) { return quint8(command[i]); };
    // The box's firmware expects characters 3 and 4 again in the second request, and the
    // beginning of the command in the last one, whose final byte 0 marks a text command.
    return std::vector<SetupPacket>{carrying(kCommandFirst, c(0), c(1), c(2), c(3)),
                                    carrying(kCommandSecond, c(4), c(5), c(2), c(3)),
                                    carrying(kCommandLast, c(0), c(1), c(2), 0)};
}

std::optional<std::vector<SetupPacket>> passThroughPackets(QByteArrayView frame) {
    if (frame.size() < 14)
        return std::nullopt;
    const auto b = [&](int i) { return quint8(frame[i]); };
    return std::vector<SetupPacket>{carrying(kCommandFirst, b(0), b(1), b(2), b(3)),
                                    carrying(kCommandSecond, b(4), b(5), b(6), b(6)),
                                    carrying(kCommandThird, b(7), b(8), b(9), b(10)),
                                    carrying(kCommandLast, b(11), b(12), b(13), 1)};
}

} // namespace scan::usb
