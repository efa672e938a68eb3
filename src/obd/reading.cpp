// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading.h"

namespace obd {

QString Reading::name() const {
    QString name = label;
    while (!name.isEmpty() && (name.back() == QLatin1Char('-') || name.back().isSpace()))
        name.chop(1);
    return name;
}

} // namespace obd
