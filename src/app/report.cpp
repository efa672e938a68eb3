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
    QStringList status{window.Text1->text()};
    for (const QLabel* label : {window.Label7, window.Label6}) {
        if (!label->text().trimmed().isEmpty())
            status << label->text().trimmed();
    }
    QString report = section(window.Label1->text(), after, status.join(QLatin1Char('\n'))) +
                     section(window.Label2->text(), after, window.statusText());
    if (withList) {
        QStringList lines;
        for (int i = 0; i < window.List1->count(); ++i)
            lines << window.List1->item(i)->text();
        report += section(window.Label3->text(), after, lines.join(QLatin1Char('\n')));
    }
    return report;
}

} // namespace app
