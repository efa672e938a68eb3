#include "print_sink.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace app {

bool PrinterSink::print(const QStringList& lines, QString& whyNot) {
    const QPrinterInfo target = QPrinterInfo::defaultPrinter();
    if (target.isNull()) {
        whyNot = QStringLiteral("No printer is set up on this computer.");
        return false;
    }
    QPrinter printer(target);
    QPainter painter;
    if (!painter.begin(&printer)) {
        whyNot =
            QStringLiteral("The printer \"%1\" could not be started.").arg(target.printerName());
        return false;
    }
    QFont font(QStringLiteral("Courier New"), 10);
    font.setStyleHint(QFont::TypeWriter);
    painter.setFont(font);
    const QFontMetrics metrics(font, &printer);
    const int pageHeight = printer.pageLayout().paintRectPixels(printer.resolution()).height();
    int y = metrics.ascent();
    for (const QString& line : lines) {
        for (const QString& row :
             QString(line).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split('\n')) {
            if (y > pageHeight) {
                printer.newPage();
                y = metrics.ascent();
            }
            painter.drawText(0, y, row);
            y += metrics.lineSpacing();
        }
    }
    return painter.end();
}

} // namespace app
