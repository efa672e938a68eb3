// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing.h"

#include <utility>

namespace scan {

Timing::Timing(TickSource ticks) : ticks_(std::move(ticks)) {}

void Timing::Start() {
    startTicks_ = ticks_();
    finishTicks_ = 0;
    elapsedTicks_ = 0;
}

void Timing::Finish() {
    finishTicks_ = ticks_();
    elapsedTicks_ = finishTicks_ - startTicks_;
}

double Timing::ElapsedTime() const {
    return static_cast<double>(elapsedTicks_) / 1000.0;
}

double Timing::CurrentTime() const {
    return static_cast<double>(ticks_() - startTicks_) / 1000.0;
}

} // namespace scan
