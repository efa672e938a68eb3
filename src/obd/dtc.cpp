// SPDX-License-Identifier: GPL-3.0-or-later
#include "dtc.h"

namespace obd {

QString codeField(int high, int low) {
    return QStringLiteral("%1").arg(high << 8 | low, 4, 16, QLatin1Char('0')).toUpper();
}

QString dtcText(const QString& field) {
    const int first = field.left(1).toInt(nullptr, 16);
    return QLatin1Char("PCBU"[first >> 2]) + QString::number(first & 3) + field.mid(1, 3);
}

bool isNoCode(const QString& field) {
    return field == QLatin1String("0000") || field == QLatin1String("C000");
}

} // namespace obd
