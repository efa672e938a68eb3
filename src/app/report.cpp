// SPDX-License-Identifier: GPL-3.0-or-later
#include "report.h"

#include "main_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace app {

namespace {
QString section(const QString& caption, const QString& after, const QString& body) {
    QString heading = caption.simplified();
    if (!after.isEmpty())
        heading += QStringLiteral(" (after ") + after + QLatin1Char(')');
    QString text = QStringLiteral("== ") + heading + QStringLiteral(" ==\n") + body;
    if (!text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    return text + QLatin1Char('\n');
}
} // namespace

QString windowReport(const MainWindow& window, const QString& after, bool withList) {
    // The firmware and ECU address labels sit under the status box, below its caption.
    QStringList status{window.statusBox->text()};
    for (const QLabel* label : {window.firmwareCaption, window.ecuAddressCaption}) {
        if (!label->text().trimmed().isEmpty())
            status << label->text().trimmed();
    }
    QString report =
        section(window.ecuStatusCaption->text(), after, status.join(QLatin1Char('\n'))) +
        section(window.statusWindowCaption->text(), after, window.statusText());
    if (withList) {
        QStringList lines;
        for (int i = 0; i < window.dataList->count(); ++i)
            lines << window.dataList->item(i)->text();
        report += section(window.vehicleDataCaption->text(), after, lines.join(QLatin1Char('\n')));
    }
    return report;
}

} // namespace app
