// SPDX-License-Identifier: GPL-3.0-or-later
#include "number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace core {

namespace {

// A non-negative value as significant decimal digits: value = 0.digits × 10^(pointPos).
struct Decimal {
    std::string digits;
    int pointPos = 0; // digits before the decimal point
};

Decimal toDecimal(double magnitude, int significant) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", significant - 1, magnitude);
    const std::string text(buf);
    const auto ePos = text.find('e');
    Decimal d;
    for (std::size_t i = 0; i < ePos; ++i) {
        if (text[i] != '.')
            d.digits.push_back(text[i]);
    }
    d.pointPos = std::atoi(text.c_str() + ePos + 1) + 1;
    return d;
}

void stripTrailingZeros(std::string& digits) {
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
}

QString exponentForm(const std::string& digits, int exponent) {
    QString body = QString::fromLatin1(digits.substr(0, 1).c_str());
    if (digits.size() > 1)
        body += QLatin1Char('.') + QString::fromLatin1(digits.substr(1).c_str());
    body += exponent < 0 ? QStringLiteral("E-") : QStringLiteral("E+");
    body += QStringLiteral("%1").arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
    return body;
}

QString plainForm(const std::string& digits, int pointPos) {
    if (pointPos <= 0)
        return QLatin1Char('.') + QString(-pointPos, QLatin1Char('0')) +
               QString::fromLatin1(digits.c_str());
    std::string whole = digits.substr(0, std::min<std::size_t>(digits.size(), pointPos));
    whole.append(pointPos - whole.size(), '0');
    QString body = QString::fromLatin1(whole.c_str());
    if (digits.size() > static_cast<std::size_t>(pointPos))
        body += QLatin1Char('.') + QString::fromLatin1(digits.substr(pointPos).c_str());
    return body;
}

// Rounds the decimal digits to `places` after the point, halves away from zero.
Decimal roundToPlaces(Decimal d, int places) {
    const int keep = d.pointPos + places;
    if (keep < 0)
        return {"", d.pointPos};
    if (keep >= static_cast<int>(d.digits.size()))
        return d;
    const bool up = d.digits[keep] >= '5';
    d.digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9')
            d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.pointPos;
        }
    }
    return d;
}

bool isPlaceholder(QChar c) {
    return c == QLatin1Char('0') || c == QLatin1Char('#');
}

QString layOutWholeDigits(const QString& section, QString digits) {
    const auto first = std::find_if(section.begin(), section.end(), isPlaceholder);
    const int firstPlaceholder = first == section.end() ? -1 : int(first - section.begin());
    const int firstZero = section.indexOf(QLatin1Char('0'));
    const int minDigits =
        firstZero < 0
            ? 0
            : int(std::count_if(section.begin() + firstZero, section.end(), isPlaceholder));
    if (digits.size() < minDigits)
        digits = QString(minDigits - digits.size(), QLatin1Char('0')) + digits;

    QString out;
    int next = digits.size(); // digits[0, next) are still to be placed, from the right
    for (int i = section.size() - 1; i >= 0; --i) {
        const QChar c = section[i];
        if (!isPlaceholder(c)) {
            out.prepend(c);
            continue;
        }
        if (i == firstPlaceholder) {
            out.prepend(digits.left(next)); // surplus digits all go to the leftmost place
            next = 0;
        } else if (next > 0) {
            out.prepend(digits[--next]);
        }
    }
    if (firstPlaceholder < 0)
        out += digits;
    return out;
}

QString layOutFractionDigits(const QString& section, const QString& digits) {
    const int lastSignificant = int(digits.toStdString().find_last_not_of('0'));
    QString out;
    int index = 0;
    for (const QChar c : section) {
        if (!isPlaceholder(c)) {
            out += c;
            continue;
        }
        if (c == QLatin1Char('0') || index <= lastSignificant)
            out += digits[index];
        ++index;
    }
    return out;
}

} // namespace

QString numberText(double value, Precision precision) {
    const int significant = precision == Precision::Single ? 7 : 15;
    if (precision == Precision::Single)
        value = static_cast<float>(value);
    if (std::isnan(value))
        return QStringLiteral(" NaN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-Inf") : QStringLiteral(" Inf");
    if (value == 0)
        return QStringLiteral(" 0");

    Decimal d = toDecimal(std::fabs(value), significant);
    stripTrailingZeros(d.digits);
    const int exponent = d.pointPos - 1;
    const QString body = (exponent < -4 || exponent >= significant)
                             ? exponentForm(d.digits, exponent)
                             : plainForm(d.digits, d.pointPos);
    return (value < 0 ? QLatin1Char('-') : QLatin1Char(' ')) + body;
}

QString plainNumberText(double value, Precision precision) {
    QString text = numberText(value, precision);
    if (text.startsWith(QLatin1Char(' ')))
        text.remove(0, 1);
    const int point = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (text.mid(point, 1) == QLatin1String("."))
        text.insert(point, QLatin1Char('0'));
    return text;
}

double leadingNumber(const QString& text) {
    std::string number;
    bool digitsSeen = false, pointSeen = false, exponentSeen = false, exponentDigits = false;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r'))
            continue;
        const char ch = c.toLatin1();
        const char last = number.empty() ? '\0' : number.back();
        if (ch >= '0' && ch <= '9') {
            (exponentSeen ? exponentDigits : digitsSeen) = true;
        } else if ((ch == '+' || ch == '-') && (number.empty() || last == 'e')) {
        } else if (ch == '.' && !pointSeen && !exponentSeen) {
            pointSeen = true;
        } else if ((ch == 'e' || ch == 'E' || ch == 'd' || ch == 'D') && digitsSeen &&
                   !exponentSeen) {
            exponentSeen = true;
            number.push_back('e');
            continue;
        } else {
            break;
        }
        number.push_back(ch);
    }
    if (!digitsSeen)
        return 0;
    if (exponentSeen && !exponentDigits)
        number.erase(number.find('e'));
    return std::strtod(number.c_str(), nullptr);
}

QString formatNumber(double value, const QString& pattern) {
    if (pattern.contains(QLatin1Char('%')))
        value *= 100;
    const int point = pattern.indexOf(QLatin1Char('.'));
    const QString wholeSection = point < 0 ? pattern : pattern.left(point);
    const QString fractionSection = point < 0 ? QString() : pattern.mid(point + 1);
    const int places =
        int(std::count_if(fractionSection.begin(), fractionSection.end(), isPlaceholder));

    Decimal d =
        value == 0 || !std::isfinite(value) ? Decimal{"0", 1} : toDecimal(std::fabs(value), 15);
    d = roundToPlaces(d, places);
    const auto digitAt = [&d](int index) {
        return index < 0 || index >= int(d.digits.size()) ? QLatin1Char('0')
                                                          : QLatin1Char(d.digits[index]);
    };
    QString whole, fraction;
    for (int i = 0; i < d.pointPos; ++i)
        whole += digitAt(i);
    for (int k = 0; k < places; ++k)
        fraction += digitAt(d.pointPos + k);
    while (whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);

    QString out = layOutWholeDigits(wholeSection, whole);
    if (point >= 0)
        out += QLatin1Char('.') + layOutFractionDigits(fractionSection, fraction);
    const bool nonZero =
        std::any_of(d.digits.begin(), d.digits.end(), [](char c) { return c != '0'; });
    return value < 0 && nonZero ? QLatin1Char('-') + out : out;
}

QString hexByte(int value) {
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

long long roundHalfEven(double value) {
    if (std::isnan(value))
        return 0;
    const double limit = static_cast<double>(std::numeric_limits<long long>::max());
    return static_cast<long long>(std::clamp(std::nearbyint(value), -limit, limit));
}

long long wholePart(double value) {
    if (std::isnan(value))
        return 0;
    const double limit = static_cast<double>(std::numeric_limits<long long>::max());
    return static_cast<long long>(std::clamp(std::floor(value), -limit, limit));
}

QString mid(const QString& text, int start, int length) {
    if (start < 1 || start > text.size())
        return {};
    return length < 0 ? text.mid(start - 1) : text.mid(start - 1, length);
}

QString left(const QString& text, int count) {
    return text.left(std::max(0, count));
}

} // namespace core
