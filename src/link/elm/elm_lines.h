// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <QtGlobal>

#include <vector>

namespace scan::elm {

// How the adapter frames what the vehicle sent, by the protocol ATDPN names.
enum class ElmFraming {
    Can11, // "7E8 06 41 0C 1A F8": 11-bit identifier, ISO 15765 byte, data
    Can29, // "18 DA F1 10 06 41 0C 1A F8": 29-bit identifier, ISO 15765 byte, data
    Iso,   // "48 6B 10 41 0C 1A F8 xx" (ISO 9141) or "84 F1 10 ..." (KWP): checksum last
    J1850, // "48 6B 10 41 0C 1A F8 xx": CRC last
};

bool isCan(ElmFraming framing);

// The framing for an ATDPN answer ("6", "A6", "3" ...); CAN for the CAN protocol digits.
ElmFraming framingOf(const QString& protocolNumber);
// A guess from the answer lines when the adapter does not name its protocol.
ElmFraming guessFraming(const QStringList& lines);

// One whole answer of one ECU: its address as the ECU label shows it (the source byte, or the low
// byte of an 11-bit response identifier) and the bytes from the response id on.
struct ElmMessage {
    quint8 ecu = 0;
    QByteArray data;
};

struct ElmMessages {
    // Each ECU's answer once, however often the adapter repeated it.
    std::vector<ElmMessage> messages;
    // A line failed a check, so some ECU's answer, or part of it, is missing.
    bool damaged = false;
};

// The messages that answer `request` (its bytes: service, PID ...) in an adapter's answer lines,
// spaces on or off. With headers, ISO 15765 first and consecutive frames are joined per ECU and a
// non-CAN line is one message; without, "0:"/"1:" numbered lines are joined into one message of
// a nameless ECU (address 0). A message is dropped, and the answer marked damaged, when it is
// shorter or longer than its length fields or J1979 say, its checksum, identifier or sequence is
// wrong, or it answers another request; as is an ECU's answer that contradicts itself.
ElmMessages parseElmLines(const QStringList& lines, ElmFraming framing, bool headers,
                          QByteArrayView request);

} // namespace scan::elm
