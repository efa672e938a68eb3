#pragma once

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>

#include <vector>

namespace sim {

// How the adapter frames what the vehicle sent, by the protocol ATDPN names.
enum class ElmFraming {
    Can11,  // "7E8 06 41 0C 1A F8": 11-bit identifier, ISO 15765 byte, data
    Can29,  // "18 DA F1 10 06 41 0C 1A F8": 29-bit identifier, ISO 15765 byte, data
    NonCan, // "48 6B 10 41 0C 1A F8 xx": three header bytes, data, checksum
};

// The framing for an ATDPN answer ("6", "A6", "3" ...); CAN for the CAN protocol digits.
ElmFraming framingOf(const QString& protocolNumber);
// A guess from the first line when the adapter does not name its protocol.
ElmFraming guessFraming(const QString& line);

// One whole answer of one ECU: its address as the ECU label shows it (the source byte, or the low
// byte of an 11-bit response identifier) and the bytes from the response id on.
struct ElmMessage {
    quint8 ecu = 0;
    QByteArray data;
};

// The messages in an adapter's answer lines, with headers on, spaces on or off. ISO 15765 first
// and consecutive frames are joined per ECU; a non-CAN line is one message. Lines that are not
// hex (an adapter's own words) are skipped.
std::vector<ElmMessage> parseElmLines(const QStringList& lines, ElmFraming framing);

// The same without headers: one nameless ECU (address 0); "0:"/"1:" numbered lines are joined
// and the byte-count line before them is skipped.
std::vector<ElmMessage> parseHeaderlessLines(const QStringList& lines, ElmFraming framing);

} // namespace sim
