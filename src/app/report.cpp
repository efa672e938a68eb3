#include "report.h"

#include "main_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace app {

namespace {
QString section(const QString& caption, const QString& body) {
    QString text = QStringLiteral("== ") + caption.simplified() + QStringLiteral(" ==\n") + body;
    if (!text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    return text + QLatin1Char('\n');
}
} // namespace

QString windowReport(const MainWindow& window) {
    QStringList listLines;
    for (int i = 0; i < window.List1->count(); ++i)
        listLines << window.List1->item(i)->text();
    // The firmware and ECU address labels sit under the status box, below its caption.
    QStringList status{window.Text1->text()};
    for (const QLabel* label : {window.Label7, window.Label6}) {
        if (!label->text().isEmpty())
            status << label->text();
    }
    return section(window.Label1->text(), status.join(QLatin1Char('\n'))) +
           section(window.Label2->text(), window.statusText()) +
           section(window.Label3->text(), listLines.join(QLatin1Char('\n')));
}

} // namespace app
