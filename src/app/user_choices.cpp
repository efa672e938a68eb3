// SPDX-License-Identifier: GPL-3.0-or-later
#include "user_choices.h"

#include <QSettings>

namespace app {

namespace {
const QString kAdapterKey = QStringLiteral("connection/adapter");
const QString kMetricKey = QStringLiteral("display/metric");

// Apart from Settings.dat, whose place and format other programs know.
QSettings settings() {
    return QSettings(QStringLiteral("Vamrick"), QStringLiteral("Vamrick"));
}
} // namespace

QString adapterName(Adapter adapter) {
    return adapter == Adapter::Elm327 ? QStringLiteral("elm327") : QStringLiteral("box");
}

std::optional<Adapter> adapterNamed(const QString& name) {
    if (name == QLatin1String("box"))
        return Adapter::Box;
    if (name == QLatin1String("elm327"))
        return Adapter::Elm327;
    return std::nullopt;
}

Adapter savedAdapter() {
    return adapterNamed(settings().value(kAdapterKey).toString()).value_or(Adapter::Box);
}

void saveAdapter(Adapter adapter) {
    settings().setValue(kAdapterKey, adapterName(adapter));
}

bool savedMetricUnits() {
    return settings().value(kMetricKey, false).toBool();
}

void saveMetricUnits(bool metric) {
    settings().setValue(kMetricKey, metric);
}

} // namespace app
