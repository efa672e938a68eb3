// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames.h"

#include <algorithm>

namespace sim {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

std::optional<Command> parseCommand(QByteArrayView text) {
    if (text.size() != 6 || !std::all_of(text.begin(), text.end(), isHexDigit))
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

QByteArray frame(char leading, QByteArrayView bytes) {
    quint8 sum = 0;
    for (char b : bytes)
        sum = static_cast<quint8>(sum + static_cast<quint8>(b));
    return leading + hexPairs(bytes) + hexPairs(QByteArray(1, char(sum)));
}

QByteArray unansweredFrame(char leading, int length) {
    return leading + QByteArray("S") + QByteArray(2 * length + 1, '0');
}

QByteArray damagedFrame(char leading, int length) {
    return leading + QByteArray(2 * length, '0') + "FF";
}

} // namespace sim
