// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/clock.h"

namespace scan {

using core::monotonicTicks;
using core::TickSource;

// Stopwatch in seconds, shared by the timeouts, pacing and time stamps of the program.
class Timing {
public:
    explicit Timing(TickSource ticks = monotonicTicks);

    void Start();
    void Finish();
    // Seconds between the last Start and Finish; 0 until Finish is called.
    double ElapsedTime() const;
    // Seconds since the last Start (since the clock's origin before any Start).
    double CurrentTime() const;

private:
    TickSource ticks_;
    qint64 startTicks_ = 0;
    qint64 finishTicks_ = 0;
    qint64 elapsedTicks_ = 0;
};

} // namespace scan
