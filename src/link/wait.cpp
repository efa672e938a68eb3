// SPDX-License-Identifier: GPL-3.0-or-later
#include "wait.h"

namespace scan {

Deadline Deadline::after(const core::TickSource& ticks, std::chrono::milliseconds span) {
    const qint64 at = ticks() + span.count();
    return Deadline([ticks, at] { return ticks() >= at; });
}

WaitEnd waitUntil(const std::function<bool()>& condition, const Deadline& deadline,
                  const std::stop_token& stop, const std::function<void()>& pump) {
    for (;;) {
        if (stop.stop_requested())
            return WaitEnd::Stopped;
        if (condition())
            return WaitEnd::Met;
        if (deadline.passed())
            return WaitEnd::TimedOut;
        pump();
    }
}

} // namespace scan
