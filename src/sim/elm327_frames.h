// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace sim {

// The vehicle buses the simulated adapter can find.
enum class ElmProtocol { Can11, Can29, Iso9141, Kwp, J1850 };

// can11, can29, iso9141, kwp, j1850
std::optional<ElmProtocol> elmProtocolFromName(const QString& name);
QString elmProtocolNames();
// The adapter's number for the protocol ("6" for 11-bit CAN at 500 kbaud), as ATDPN gives it.
char elmProtocolNumber(ElmProtocol protocol);
QByteArray elmProtocolDescription(ElmProtocol protocol);
bool isCan(ElmProtocol protocol);

// Bytes as the adapter prints them: upper-case hex pairs, with or without spaces between.
QByteArray elmHex(const QByteArray& bytes, bool spaces);

struct ElmFormat {
    bool headers = false;
    bool spaces = true;
};

// An ECU's response identifier as hex digits without spaces, which a receive filter is matched
// against: on 11-bit CAN 7 and its address when that is E8-EF, else 7E8 + the ECU's place in the
// vehicle; 18DAF1 + its address on 29-bit CAN, its address alone on the other buses.
QByteArray elmResponseHeader(ElmProtocol protocol, quint8 address, int index);

// One message from one ECU as the adapter prints it. On CAN a message longer than a frame is
// split into ISO 15765 first and consecutive frames (numbered "0:", "1:" ... under a length line
// when headers are off), the last one showing its padding bytes; on the other buses a message is
// one frame, with its checksum byte shown when headers are on.
QList<QByteArray> elmLines(ElmProtocol protocol, quint8 address, int index,
                           const QByteArray& message, ElmFormat format);

} // namespace sim
