// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/clock.h"

#include <chrono>
#include <functional>
#include <stop_token>

namespace scan {

// When a wait gives up: never, a span after it starts on a given clock, or when a predicate says
// so (a stopwatch of the caller's, say).
class Deadline {
public:
    static Deadline never() { return Deadline({}); }
    static Deadline after(const core::TickSource& ticks, std::chrono::milliseconds span);
    static Deadline when(std::function<bool()> passed) { return Deadline(std::move(passed)); }

    bool passed() const { return passed_ && passed_(); }

private:
    explicit Deadline(std::function<bool()> passed) : passed_(std::move(passed)) {}
    std::function<bool()> passed_;
};

enum class WaitEnd { Met, TimedOut, Stopped };

// The one wait of the program. Until `condition` holds it sleeps in the event loop (one `pump`
// step at a time), so every handler runs meanwhile and an idle wait costs no CPU; a stop request
// or the deadline ends it first. A stop wins over a condition met in the same step.
WaitEnd waitUntil(const std::function<bool()>& condition, const Deadline& deadline,
                  const std::stop_token& stop, const std::function<void()>& pump);

} // namespace scan
