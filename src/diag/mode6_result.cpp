// SPDX-License-Identifier: GPL-3.0-or-later
#include "mode6_result.h"

#include "core/number_text.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace diag {

QString dollarAsHex(const QString& text) {
    return text.startsWith(QLatin1Char('$')) ? QStringLiteral("&H") + text.mid(1) : text;
}

std::optional<quint8> idValue(const QString& text) {
    const QString trimmed = text.trimmed();
    double value = 0;
    if (trimmed.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        int digits = 0;
        for (const QChar c : trimmed.mid(2)) {
            const int digit = QStringLiteral("0123456789ABCDEF").indexOf(c.toUpper());
            if (digit < 0)
                break;
            value = value * 16 + digit;
            ++digits;
        }
        if (digits == 0)
            return std::nullopt;
    } else {
        // Typed text that holds no number at all is a mistake, not test 0; an empty box is 0.
        static const QRegularExpression number(QStringLiteral("^[+-]?(\\d|\\.\\d)"));
        if (!trimmed.isEmpty() && !number.match(trimmed).hasMatch())
            return std::nullopt;
        value = core::leadingNumber(trimmed);
    }
    if (!std::isfinite(value))
        return std::nullopt;
    const long long whole = core::roundHalfEven(value);
    if (whole < 0 || whole > 255)
        return std::nullopt;
    return quint8(whole);
}

std::optional<Mode6Result> decodeTestResult(const PassReplyBytes& reply, const QString& scaleText,
                                            const QString& units) {
    const double scale = core::leadingNumber(scaleText);
    const double value = (reply[5] * 256 + reply[6]) * scale;
    const double limit = (reply[7] * 256 + reply[8]) * scale;
    constexpr double kSingleMax = std::numeric_limits<float>::max();
    if (!(std::fabs(value) <= kSingleMax && std::fabs(limit) <= kSingleMax))
        return std::nullopt;
    const float single = float(value);
    const float singleLimit = float(limit);
    const bool minimum = reply[4] > 0x7F;
    return Mode6Result{core::plainNumberText(single, core::Precision::Single) + units,
                       core::plainNumberText(singleLimit, core::Precision::Single) + units, minimum,
                       minimum ? single >= singleLimit : single <= singleLimit};
}

QStringList supportedTestLines(const PassReplyBytes& reply) {
    QStringList lines;
    for (int test = 1; test <= 32; ++test) {
        const int byte = reply[6 + (test - 1) / 8];
        if (byte & (0x80 >> ((test - 1) % 8)))
            lines << core::numberText(test);
    }
    return lines;
}

} // namespace diag
