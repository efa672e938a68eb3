// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <chrono>
#include <functional>

namespace core {

// Milliseconds since an arbitrary fixed origin; tests hand in a clock they move themselves.
using TickSource = std::function<qint64()>;

// The monotonic clock: never jumps with the wall clock and never wraps.
inline qint64 monotonicTicks() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace core
