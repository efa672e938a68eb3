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

// How the simulated adapter misbehaves. The clone habits hold for the whole run; silence,
// garbage and unplug strike the vehicle request after `...After` answered ones (-1: never); the
// line faults strike the answers to the vehicle requests their rules name, where `seed` puts them.
struct ElmFaults {
    bool clone = false;       // "?" to ATH and ATS
    bool noise = false;       // 7F FC before the reset banner
    bool splitPrompt = false; // the prompt in a write of its own, a little later
    bool crlf = false;        // CR LF line ends whatever ATL says
    bool hang = false;        // an AT command it does not know hangs it until the next CR
    int silenceAfter = -1;    // no answer, no prompt, until the next CR
    int garbageAfter = -1;    // bytes that are no text, then the prompt
    int unplugAfter = -1;     // the device vanishes
    RulePlan<ElmLineFault> lines;
    quint32 seed = 0xE1327;
};

// Adds NAME[:N] to `faults`: silence, garbage or unplug after N requests (default 0), or one of
// clone, noise, split-prompt, crlf, hang; or a line fault, NAME[:COUNT[:PREFIX[:AFTER]]].
bool addElmFault(ElmFaults& faults, const QString& text, QString* error = nullptr);
QString elmFaultNames();

// Damages one line of a message, as the adapter prints it, by one of the byte faults (Cut to
// Flip); a fault the form has no room for (a length on ISO 9141, a header when headers are off)
// leaves it whole.
void damageMessage(ElmLineFault fault, QList<QByteArray>& lines, ElmProtocol protocol,
                   ElmFormat format, std::mt19937& random);

} // namespace sim
