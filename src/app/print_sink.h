// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace app {

// Where printed output goes: the default printer or a PDF file in the program, captured lines in
// tests.
class PrintSink {
public:
    virtual ~PrintSink() = default;
    virtual bool hasPrinter() const = 0;
    // Prints the lines as one document, into the PDF file `pdfPath` when one is given; a line may
    // hold line breaks of its own. Returns false with the reason when nothing could be printed.
    virtual bool print(const QStringList& lines, const QString& pdfPath, QString& whyNot) = 0;
};

// The system's default printer, or a PDF file written whole.
class PrinterSink : public PrintSink {
public:
    bool hasPrinter() const override;
    bool print(const QStringList& lines, const QString& pdfPath, QString& whyNot) override;
};

} // namespace app
