// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace obd {

// A code's two bytes as the four hex digits the other functions read, "0300".
QString codeField(int high, int low);

// A trouble code as the user reads it from its two bytes as four hex digits: the top two bits of
// the first digit give the letter (P, C, B, U), the next two the first digit ("4123" is C0123,
// "C123" U0123).
QString dtcText(const QString& field);

// A field that holds no code: "0000", or "C000" (which the program has always read as none).
bool isNoCode(const QString& field);

} // namespace obd
