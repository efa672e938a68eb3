// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

namespace monitor {

// Run control and choices of the data logger.
struct LogState {
    std::array<int, 6> LogItemLine{}; // item i: the entry chosen in its item list
    int LogItemCount = 4;             // 2, 4, 5 or 6
    bool LogSavedFlag = false;        // the run was ended by Save
    bool TriggerEntered = false;
    int Trigger1Value = 0;
    int Trigger2Value = 0;
};

} // namespace monitor
