// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"
#include "link/driver.h"
#include "link/scan_tool_link.h"
#include "trouble_code_definitions.h"

#include <chrono>

namespace diag {

// Reads the monitor status, the stored, pending and permanent trouble codes into the status
// window.
class CodeReader {
public:
    CodeReader(scan::ScanToolLink& link, scan::Driver& driver, scan::LinkView& view,
               core::Prompter& prompter, const TroubleCodeDefinitions& definitions,
               scan::Timing& timing,
               std::chrono::seconds storedCodeLimit = std::chrono::seconds(10));

    void read();

private:
    // The stored-code request, whose wait ends only at the stored-code limit.
    scan::ObdAnswer requestStoredCodes();
    // True when the code request was answered; otherwise says so and counts it.
    bool answered(const scan::ObdAnswer& answer, const QString& what);
    void showStoredCodes(const scan::ObdAnswer& answer, int count);
    void showPendingCodes(const scan::ObdAnswer& answer);
    void showPermanentCodes(const scan::ObdAnswer& answer);
    void append(const QString& text);

    scan::ScanToolLink& link_;
    scan::Driver& driver_;
    scan::LinkView& view_;
    core::Prompter& prompter_;
    const TroubleCodeDefinitions& definitions_;
    scan::Timing& timing_;
    std::chrono::seconds storedCodeLimit_;
};

} // namespace diag
