// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames.h"

#include <algorithm>

namespace sim {

namespace {
constexpr int kRawMessageBytes = 13;
} // namespace

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool isHex(QByteArrayView text) {
    return std::all_of(text.begin(), text.end(), isHexDigit);
}

std::optional<Command> parseCommand(QByteArrayView text) {
    if (text.size() != 6 || !isHex(text))
        return std::nullopt;
    Command command;
    command.text = text.toByteArray().toUpper();
    const QByteArray bytes = QByteArray::fromHex(command.text);
    command.service = static_cast<quint8>(bytes[0]);
    command.parameter = static_cast<quint8>(bytes[1]);
    command.length = static_cast<quint8>(bytes[2]);
    return command;
}

QByteArray hexPairs(QByteArrayView bytes) {
    return bytes.toByteArray().toHex().toUpper();
}

QByteArray word(quint16 value) {
    return QByteArray(1, char(value >> 8)).append(char(value & 0xFF));
}

quint8 checksum(QByteArrayView bytes) {
    quint8 sum = 0;
    for (char b : bytes)
        sum = quint8(sum + quint8(b));
    return sum;
}

QByteArray ecuHeader(quint8 address) {
    return QByteArray("\x48\x6B", 2).append(char(address));
}

QByteArray frame(char leading, QByteArrayView bytes) {
    return leading + hexPairs(bytes) + hexPairs(QByteArray(1, char(checksum(bytes))));
}

QByteArray ecuFrame(char leading, quint8 address, QByteArrayView message, int length) {
    QByteArray bytes = ecuHeader(address).append(message);
    if (bytes.size() < length)
        bytes.append(QByteArray(length - bytes.size(), '\0'));
    bytes.truncate(length);
    return frame(leading, bytes);
}

QByteArray unansweredFrame(char leading, int length) {
    return leading + QByteArray("S") + QByteArray(2 * length + 1, '0');
}

QByteArray damagedFrame(char leading, int length) {
    return leading + QByteArray(2 * length, '0') + "FF";
}

QByteArray rawFrame(quint8 address, QByteArrayView message) {
    QByteArray bytes = ecuHeader(address).append(message);
    bytes = bytes.leftJustified(kRawMessageBytes, '\0', true);
    return bytes.append(char(checksum(bytes)));
}

QByteArray ecuSwitchFrame(char leading, quint8 address) {
    return leading + hexPairs(QByteArray(1, char(address))) + "00";
}

QByteArray firmwareFrame(char leading, const QByteArray& version) {
    return leading + version;
}

QByteArray passThroughAckFrame(char leading, char protocol) {
    return leading + QByteArray("A") + protocol;
}

} // namespace sim
