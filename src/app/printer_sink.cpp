// SPDX-License-Identifier: GPL-3.0-or-later
#include "print_sink.h"

#include "monitor/log_file.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

namespace app {

namespace {

// The lines in a fixed-width font, a new page whenever one is full.
bool paintLines(QPagedPaintDevice& device, int resolution, const QStringList& lines) {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    QFont font(QStringLiteral("Courier New"), 10);
    font.setStyleHint(QFont::TypeWriter);
    painter.setFont(font);
    const QFontMetrics metrics(font, &device);
    const int pageHeight = device.pageLayout().paintRectPixels(resolution).height();
    int y = metrics.ascent();
    for (const QString& line : lines) {
        for (const QString& row :
             QString(line).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split('\n')) {
            if (y > pageHeight) {
                device.newPage();
                y = metrics.ascent();
            }
            painter.drawText(0, y, row);
            y += metrics.lineSpacing();
        }
    }
    return painter.end();
}

} // namespace

bool PrinterSink::hasPrinter() const {
    return !QPrinterInfo::defaultPrinter().isNull();
}

bool PrinterSink::print(const QStringList& lines, const QString& pdfPath, QString& whyNot) {
    if (!pdfPath.isEmpty()) {
        // Made in memory first, so that a failed write leaves no half document behind.
        QByteArray pdf;
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        bool painted = false;
        {
            QPdfWriter writer(&buffer);
            painted = paintLines(writer, writer.resolution(), lines);
        }
        whyNot = QStringLiteral("the PDF document could not be made");
        if (painted && monitor::writeWholeFile(pdfPath, pdf, whyNot))
            return true;
        whyNot = QStringLiteral("%1 could not be written (%2).").arg(pdfPath, whyNot);
        return false;
    }
    const QPrinterInfo target = QPrinterInfo::defaultPrinter();
    if (target.isNull()) {
        whyNot = QStringLiteral("No printer is set up on this computer.");
        return false;
    }
    QPrinter printer(target);
    if (!paintLines(printer, printer.resolution(), lines)) {
        whyNot =
            QStringLiteral("The printer \"%1\" could not be started.").arg(target.printerName());
        return false;
    }
    return true;
}

} // namespace app
