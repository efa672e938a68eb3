// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace diag {

// The pass-through reply's first 13 bytes, as PassThrough keeps them.
using PassReplyBytes = std::array<quint8, 14>;

inline const QString kInputErrorText =
    QStringLiteral("Error in one of the Input Fields, please correct and try again");
inline const QString kNoResponseText = QStringLiteral(" No Response to this message");

// A typed "$1A" means hexadecimal: the box's own text becomes "&H1A". Other text stays.
QString dollarAsHex(const QString& text);

// A test or component ID as typed: "&H" and hexadecimal digits, or a decimal number, read up to
// the first character that does not fit and taken to the nearest whole number; an empty box
// reads as 0. Nothing when typed text starts with no number at all, or the number is not 0 to
// 255.
std::optional<quint8> idValue(const QString& text);

// What a positive test reply shows.
struct Mode6Result {
    QString value;       // the value's text directly followed by the units
    QString limit;       // the limit's text directly followed by the units
    bool limitIsMinimum; // entry 4, bit 7: the limit is a MIN, else a MAX
    bool pass;
};

// Decodes entries 4-8 of a positive reply: the value and limit are unsigned pairs times the
// scale factor as typed (any real number; no leading number counts as 0), as single precision
// numbers. Nothing when one of them is too large for single precision.
std::optional<Mode6Result> decodeTestResult(const PassReplyBytes& reply, const QString& scaleText,
                                            const QString& units);

// The supported-tests answer: entries 6-9 as the OBD bitmap A-D (bit 7 of A is test $01, bit 0
// of D test $20); each set test ID as decimal text with a leading blank, in that order.
QStringList supportedTestLines(const PassReplyBytes& reply);

inline QString verdictText(bool pass) {
    return pass ? QStringLiteral("PASS") : QStringLiteral("FAIL");
}
inline QColor verdictColour(bool pass) {
    return pass ? QColor(255, 255, 255) : QColor(255, 0, 0);
}

} // namespace diag
