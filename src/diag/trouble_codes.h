#pragma once

#include "core/prompter.h"
#include "link/scan_tool_link.h"
#include "trouble_code_definitions.h"

#include <chrono>

namespace diag {

// The DTC text of the four-character field at `position` (1-based): "C" as first digit stands for
// a network code and becomes "U0", and the reply itself then reads "0" there; any other first
// digit keeps the letter "P".
QString dtcText(QString& reply, int position);

// A character below "0" at position 10 (the first code's first digit) is dropped, the next twelve
// characters moving up one place; the reply keeps its length.
void removeLeadingJunk(QString& reply);

// Reads the monitor status, the stored and the pending trouble codes into the status window.
class TroubleCodeReader {
public:
    TroubleCodeReader(scan::ScanToolLink& link, scan::LinkView& view, core::Prompter& prompter,
                      const TroubleCodeDefinitions& definitions, scan::Timing& timing,
                      std::chrono::seconds storedCodeLimit = std::chrono::seconds(10));

    void Mode3_Click();

private:
    // The stored-code request, given up after the stored-code limit; nothing when it was.
    std::optional<QString> requestStoredCodes();
    // The reply's first code; nothing, once the status window says why, when the ECU did not
    // answer or reports no code.
    std::optional<QString> firstCode(QString& reply, const QString& noAnswer,
                                     const QString& noCodes);
    void showStoredCodes(QString reply, int count);
    void showPendingCodes(QString reply);
    QString definition(const QString& code) const;
    void append(const QString& text);

    scan::ScanToolLink& link_;
    scan::LinkView& view_;
    core::Prompter& prompter_;
    const TroubleCodeDefinitions& definitions_;
    scan::Timing& timing_;
    std::chrono::seconds storedCodeLimit_;
};

} // namespace diag
