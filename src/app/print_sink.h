#pragma once

#include <QStringList>

namespace app {

// Where printed output goes: the default printer in the program, captured lines in tests.
class PrintSink {
public:
    virtual ~PrintSink() = default;
    // Prints the lines as one document; a line may hold line breaks of its own. Returns false
    // with the reason when nothing could be printed.
    virtual bool print(const QStringList& lines, QString& whyNot) = 0;
};

// The system's default printer.
class PrinterSink : public PrintSink {
public:
    bool print(const QStringList& lines, QString& whyNot) override;
};

} // namespace app
