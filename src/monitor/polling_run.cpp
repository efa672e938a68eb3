// SPDX-License-Identifier: GPL-3.0-or-later
#include "polling_run.h"

namespace monitor {

std::optional<PollingRun::End> PollingRun::ending() const {
    if (link_.lost())
        return End::LostScanTool;
    if (stopAfterPass_ || link_.stopRequested())
        return End::Stopped;
    if (limit_ && samples_ >= *limit_)
        return End::Limit;
    return std::nullopt;
}

PollingRun::End PollingRun::run(const std::function<bool()>& pass) {
    samples_ = 0;
    stopAfterPass_ = false;
    const auto endingOrResumed = [this] { return ending() || !paused_; };
    if (startDelay_.count() > 0) {
        const qint64 first = link_.now() + startDelay_.count();
        link_.wait([this] { return bool(ending()); },
                   scan::Deadline::when([this, first] { return link_.now() >= first; }));
    }
    for (;;) {
        if (paused_)
            link_.wait(endingOrResumed, scan::Deadline::never());
        if (const std::optional<End> end = ending())
            return *end;
        const qint64 started = link_.now();
        if (!pass())
            return End::Done;
        ++samples_;
        if (const std::optional<End> end = ending())
            return *end;
        // The next pass starts an interval after this one started; a pause cuts the wait short
        // and holds the run at the top of the loop.
        if (interval_) {
            const qint64 next = started + interval_->count();
            link_.wait([this] { return ending() || paused_; },
                       scan::Deadline::when([this, next] { return link_.now() >= next; }));
        }
    }
}

} // namespace monitor
