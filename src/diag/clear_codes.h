#pragma once

#include "link/scan_tool_link.h"

namespace diag {

// Asks the ECU to clear its trouble codes and diagnostic data; the button itself is the
// confirmation, so no question comes first.
void Mode4_Click(scan::ScanToolLink& link, scan::LinkView& view);

} // namespace diag
