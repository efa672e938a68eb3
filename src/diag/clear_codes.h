// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/driver.h"
#include "link/scan_tool_link.h"

namespace diag {

// Asks the ECU to clear its trouble codes and diagnostic data; the button itself is the
// confirmation, so no question comes first.
class ClearCodes {
public:
    ClearCodes(scan::ScanToolLink& link, scan::Driver& driver, scan::LinkView& view)
        : link_(link), driver_(driver), view_(view) {}

    void run();
    // The ECU answered the last clear with a refusal: the codes are still there.
    bool refused() const { return refused_; }

private:
    scan::ScanToolLink& link_;
    scan::Driver& driver_;
    scan::LinkView& view_;
    bool refused_ = false;
};

} // namespace diag
