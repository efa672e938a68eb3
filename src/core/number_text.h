// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace core {

// Significant digits of the number-text rule: 7 for a Single, 15 for a Double.
enum class Precision { Single, Double };

// The program's text for a number: a leading blank for zero and positive values, a minus sign
// for negative ones, no digit before the point below 1 (" .45"), no trailing zeros. Values that
// need more digits than the precision allows, or are below 0.0001, use the exponent form
// (" 1E+15", " 1.5E-05"). Single values are first narrowed to binary32, as the original did.
QString numberText(double value, Precision precision = Precision::Double);

// The system's own text for a number, as an implicit conversion writes it: the digits of
// numberText without the leading blank, and a 0 before the point below 1 ("0.45", "-0.45").
QString plainNumberText(double value, Precision precision = Precision::Double);

// The numeric value of a text: blanks, tabs and line feeds are skipped, the longest leading
// decimal number (sign, digits, point, exponent) is read, and a text without one gives 0.
double leadingNumber(const QString& text);

// Applies a format pattern: "0" a digit always shown, "#" a digit shown only when significant,
// "." the decimal point, "%" multiplies by 100 and shows a percent sign, any other character is
// copied. The value is rounded to the pattern's places, halves away from zero.
QString formatNumber(double value, const QString& pattern);

// A byte as two hex digits, capitals: "0C".
QString hexByte(int value);

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
long long roundHalfEven(double value);

// Largest whole number not greater than the value.
long long wholePart(double value);

// 1-based substring that never reads out of range: a start past the end gives the empty text,
// a length past the end is clipped. A negative length means "to the end".
QString mid(const QString& text, int start, int length = -1);

// The first n characters (all of them when the text is shorter).
QString left(const QString& text, int count);

} // namespace core
