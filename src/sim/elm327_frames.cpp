// SPDX-License-Identifier: GPL-3.0-or-later
#include "elm327_frames.h"

#include "frames.h"

#include <QStringList>

namespace sim {

namespace {

struct ProtocolRow {
    ElmProtocol protocol;
    const char* name;
    char number;
    const char* description;
};

constexpr ProtocolRow kProtocols[] = {
    {ElmProtocol::Can11, "can11", '6', "ISO 15765-4 (CAN 11/500)"},
    {ElmProtocol::Can29, "can29", '7', "ISO 15765-4 (CAN 29/500)"},
    {ElmProtocol::Iso9141, "iso9141", '3', "ISO 9141-2"},
    {ElmProtocol::Kwp, "kwp", '5', "ISO 14230-4 (KWP FAST)"},
    {ElmProtocol::J1850, "j1850", '2', "SAE J1850 VPW"},
};

const ProtocolRow& row(ElmProtocol protocol) {
    for (const ProtocolRow& r : kProtocols)
        if (r.protocol == protocol)
            return r;
    return kProtocols[0];
}

QByteArray join(const QByteArray& a, const QByteArray& b, bool spaces) {
    if (a.isEmpty() || b.isEmpty())
        return a + b;
    return spaces ? a + ' ' + b : a + b;
}

// SAE J1850's CRC-8: polynomial 1D, start FF, result inverted.
quint8 j1850Crc(const QByteArray& bytes) {
    quint8 crc = 0xFF;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80) ? quint8((crc << 1) ^ 0x1D) : quint8(crc << 1);
    }
    return quint8(~crc);
}

QByteArray nonCanHeader(ElmProtocol protocol, quint8 address, int length) {
    if (protocol != ElmProtocol::Kwp)
        return ecuHeader(address);
    return QByteArray(1, char(0x80 | (length & 0x3F))).append(char(0xF1)).append(char(address));
}

QByteArray can29Header(quint8 address) {
    return QByteArray("\x18\xDA\xF1", 3).append(char(address));
}

QList<QByteArray> canLines(const QByteArray& header, const QByteArray& message, ElmFormat format) {
    const bool spaces = format.spaces;
    if (message.size() <= 7) {
        if (!format.headers)
            return {elmHex(message, spaces)};
        return {join(header, elmHex(char(message.size()) + message, spaces), spaces)};
    }
    QList<QByteArray> lines;
    const int length = int(message.size());
    if (!format.headers)
        lines.append(QByteArray::number(length, 16).toUpper().rightJustified(3, '0'));
    QByteArray first;
    first.append(char(0x10 | ((length >> 8) & 0x0F))).append(char(length & 0xFF));
    first.append(message.left(6));
    if (format.headers)
        lines.append(join(header, elmHex(first, spaces), spaces));
    else
        lines.append(join("0:", elmHex(message.left(6), spaces), spaces));
    int sequence = 1;
    for (qsizetype at = 6; at < message.size(); at += 7, ++sequence) {
        // The last frame is padded to its full eight bytes, and the adapter shows the padding:
        // only the length in the first frame says where the message ends.
        const QByteArray chunk = message.mid(at, 7).leftJustified(7, '\0');
        if (format.headers) {
            const QByteArray frame = char(0x20 | (sequence & 0x0F)) + chunk;
            lines.append(join(header, elmHex(frame, spaces), spaces));
        } else {
            const QByteArray number = QByteArray::number(sequence & 0x0F, 16).toUpper() + ':';
            lines.append(join(number, elmHex(chunk, spaces), spaces));
        }
    }
    return lines;
}

} // namespace

QByteArray elmHex(const QByteArray& bytes, bool spaces) {
    return spaces ? bytes.toHex(' ').toUpper() : hexPairs(bytes);
}

std::optional<ElmProtocol> elmProtocolFromName(const QString& name) {
    for (const ProtocolRow& r : kProtocols)
        if (name == QLatin1String(r.name))
            return r.protocol;
    return std::nullopt;
}

QString elmProtocolNames() {
    QStringList names;
    for (const ProtocolRow& r : kProtocols)
        names.append(QLatin1String(r.name));
    return names.join(QStringLiteral(", "));
}

char elmProtocolNumber(ElmProtocol protocol) {
    return row(protocol).number;
}

QByteArray elmProtocolDescription(ElmProtocol protocol) {
    return row(protocol).description;
}

bool isCan(ElmProtocol protocol) {
    return protocol == ElmProtocol::Can11 || protocol == ElmProtocol::Can29;
}

QByteArray elmResponseHeader(ElmProtocol protocol, quint8 address, int index) {
    switch (protocol) {
    case ElmProtocol::Can11:
        // A captured ECU keeps the response id it had; others take theirs from their place.
        return QByteArray::number(
                   address >= 0xE8 && address <= 0xEF ? 0x700 + address : 0x7E8 + index, 16)
            .toUpper();
    case ElmProtocol::Can29:
        return hexPairs(can29Header(address));
    default:
        return hexPairs(QByteArray(1, char(address)));
    }
}

QList<QByteArray> elmLines(ElmProtocol protocol, quint8 address, int index,
                           const QByteArray& message, ElmFormat format) {
    if (protocol == ElmProtocol::Can11)
        return canLines(elmResponseHeader(protocol, address, index), message, format);
    if (protocol == ElmProtocol::Can29)
        return canLines(elmHex(can29Header(address), format.spaces), message, format);
    if (!format.headers)
        return {elmHex(message, format.spaces)};
    QByteArray frame = nonCanHeader(protocol, address, int(message.size())) + message;
    frame.append(char(protocol == ElmProtocol::J1850 ? j1850Crc(frame) : checksum(frame)));
    return {elmHex(frame, format.spaces)};
}

} // namespace sim
