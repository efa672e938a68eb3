#include "adapter_choice.h"

#include <QSettings>

namespace app {

namespace {
const QString kKey = QStringLiteral("connection/adapter");

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
    return adapterNamed(settings().value(kKey).toString()).value_or(Adapter::Box);
}

void saveAdapter(Adapter adapter) {
    settings().setValue(kKey, adapterName(adapter));
}

} // namespace app
