// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "elm327_frames.h"
#include "faults.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <random>
#include <vector>

namespace sim {

// What can happen to the adapter's answer to one vehicle request.
enum class ElmLineFault {
    Cut,         // a line cut short
    WrongLength, // a CAN or KWP length byte one more or less (the checksum made to fit)
    MissingByte, // a byte after the header gone
    ExtraByte,   // a byte after the header too many
    BadId,       // the header damaged (CAN: an identifier no ECU answers with)
    Flip,        // a bit flipped anywhere in a non-CAN line, in the ISO 15765 bytes on CAN
    OtherEcu,    // an ECU's message under the header of the next ECU
    Repeat,      // an ECU's message twice
    ErrorLine,   // an adapter's error line among the data lines
    NoPrompt,    // the answer without its prompt, the adapter waiting for a carriage return
};

using ElmLineFaultRule = Rule<ElmLineFault>;

// Reads NAME[:COUNT[:PREFIX[:AFTER]]]; nothing, and no error, when NAME is none of these faults.
std::optional<ElmLineFaultRule> parseElmLineFault(const QString& text, QString* error);
QString elmLineFaultNames();

// Damages one line of a message, as the adapter prints it, by one of the byte faults (Cut to
// Flip); a fault the form has no room for (a length on ISO 9141, a header when headers are off)
// leaves it whole.
void damageMessage(ElmLineFault fault, QList<QByteArray>& lines, ElmProtocol protocol,
                   ElmFormat format, std::mt19937& random);

} // namespace sim
