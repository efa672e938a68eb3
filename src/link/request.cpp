// SPDX-License-Identifier: GPL-3.0-or-later
#include "request.h"

namespace scan {

QString ObdAnswer::ecu() const {
    if (ecus_.isEmpty())
        return {};
    return QStringLiteral("%1").arg(ecus_.front().address, 2, 16, QLatin1Char('0')).toUpper();
}

int ObdAnswer::byte(int index) const {
    if (ecus_.isEmpty() || index < 0 || index >= ecus_.front().data.size())
        return 0;
    return quint8(ecus_.front().data[index]);
}

QString noAnswerText(const ObdAnswer& answer, const QString& what) {
    return noAnswerText(answer.status(), what);
}

QString interruptionText(const ObdAnswer& answer, const QString& operation) {
    return interruptionText(answer.status(), operation);
}

} // namespace scan
