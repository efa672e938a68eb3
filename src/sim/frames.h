// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

namespace sim {

// Either case is taken as a hex digit; commands are upper-cased before use.
bool isHexDigit(char c);
bool isHex(QByteArrayView text);

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
// Two bytes, high first.
QByteArray word(quint16 value);
// The sum of the bytes mod 256: the check byte of the box's frames, of its raw pass-through
// answers and of ISO 9141 and KWP messages.
quint8 checksum(QByteArrayView bytes);
// The header of an ECU's message on the box's bus (and ISO 9141 and J1850): 48 6B, the address.
QByteArray ecuHeader(quint8 address);

// The leading character, the bytes as upper-case hex pairs, then their checksum.
QByteArray frame(char leading, QByteArrayView bytes);

// An ECU's message as the box passes it on: the header and the message, padded with zeros or cut
// to the `length` bytes the host asked for, in a frame.
QByteArray ecuFrame(char leading, quint8 address, QByteArrayView message, int length);

// The shape of a request the ECU does not answer: as long as a frame of `length` bytes
// (1 + 2 x length + 2 characters) with "S" second and "0" after it.
QByteArray unansweredFrame(char leading, int length);

// A frame of `length` zero bytes whose checksum does not hold: what the box sends for an answer
// it could not read whole, so that the host takes it for no answer rather than for the ECU's
// silence.
QByteArray damagedFrame(char leading, int length);

// The raw answer to a pass-through command, not hex text: the header and the message padded to
// 13 bytes, then their checksum.
QByteArray rawFrame(quint8 address, QByteArrayView message);

// The box's own replies: the ECU it switched to ("800204"), its firmware version ("900101") and
// the acknowledgement of a pass-through ("F00504") with the protocol digit.
QByteArray ecuSwitchFrame(char leading, quint8 address);
QByteArray firmwareFrame(char leading, const QByteArray& version);
QByteArray passThroughAckFrame(char leading, char protocol);

} // namespace sim
