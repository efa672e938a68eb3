#include "timing.h"

#include <chrono>
#include <utility>

namespace scan {

qint64 monotonicTicks() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

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
