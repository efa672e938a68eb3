#pragma once

namespace monitor {

// Run control of the data logger.
struct LogState {
    bool LogStopFlag = false;
};

} // namespace monitor
