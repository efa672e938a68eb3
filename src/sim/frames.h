// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

namespace sim {

// Either case is taken as a hex digit; commands are upper-cased before use.
bool isHexDigit(char c);

// One host command: six hex characters, three byte fields.
struct Command {
    QByteArray text; // upper-case
    quint8 service = 0;
    quint8 parameter = 0;
    quint8 length = 0; // reply bytes wanted, counting the three header bytes
};

// Nothing unless the text is exactly six hex digits.
std::optional<Command> parseCommand(QByteArrayView text);

QByteArray hexPairs(QByteArrayView bytes);

// The leading character, the bytes as upper-case hex pairs, then their checksum (sum mod 256).
QByteArray frame(char leading, QByteArrayView bytes);

// The shape of a request the ECU does not answer: as long as a frame of `length` bytes
// (1 + 2 x length + 2 characters) with "S" second and "0" after it.
QByteArray unansweredFrame(char leading, int length);

// A frame of `length` zero bytes whose checksum does not hold: what the box sends for an answer
// it could not read whole, so that the host takes it for no answer rather than for the ECU's
// silence.
QByteArray damagedFrame(char leading, int length);

} // namespace sim
