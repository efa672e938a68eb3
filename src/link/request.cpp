// SPDX-License-Identifier: GPL-3.0-or-later
#include "request.h"

namespace scan {

QString ecuText(quint8 address) {
    return QStringLiteral("%1").arg(address, 2, 16, QLatin1Char('0')).toUpper();
}

QString ObdAnswer::ecu() const {
    return ecus_.isEmpty() ? QString() : ecuText(ecus_.front().address);
}

int ObdAnswer::byte(int index) const {
    if (ecus_.isEmpty() || index < 0 || index >= ecus_.front().data.size())
        return 0;
    return quint8(ecus_.front().data[index]);
}

namespace {
// The sentence with what the scan tool said put in before its full stop.
QString withSaid(QString text, const ObdAnswer& answer) {
    if (!answer.said().isEmpty() && text.endsWith(QLatin1Char('.')))
        text.insert(text.size() - 1, QStringLiteral(" (the adapter said: %1)").arg(answer.said()));
    return text;
}
} // namespace

QString noAnswerText(const ObdAnswer& answer, const QString& what) {
    return withSaid(noAnswerText(answer.status(), what), answer);
}

QString interruptionText(const ObdAnswer& answer, const QString& operation) {
    return withSaid(interruptionText(answer.status(), operation), answer);
}

} // namespace scan
