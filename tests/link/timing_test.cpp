#include "link/timing.h"

#include <gtest/gtest.h>

namespace {

// A clock the test moves by hand.
struct FakeClock {
    qint64 now = 0;
    scan::TickSource source() {
        return [this] { return now; };
    }
};

TEST(TimingTest, CurrentTimeGrowsWithTheClockAfterStart) {
    FakeClock clock{5000};
    scan::Timing timing(clock.source());
    timing.Start();
    const double first = timing.CurrentTime();
    clock.now += 1500;
    EXPECT_DOUBLE_EQ(timing.CurrentTime() - first, 1.5);
}

TEST(TimingTest, ElapsedTimeIsZeroUntilFinishThenTheInterval) {
    FakeClock clock{1000};
    scan::Timing timing(clock.source());
    timing.Start();
    clock.now += 250;
    EXPECT_DOUBLE_EQ(timing.ElapsedTime(), 0);
    timing.Finish();
    clock.now += 9999;
    EXPECT_DOUBLE_EQ(timing.ElapsedTime(), 0.25);
    timing.Start();
    EXPECT_DOUBLE_EQ(timing.ElapsedTime(), 0);
}

TEST(TimingTest, NeverStartedCountsFromTheClocksOrigin) {
    FakeClock clock{123456};
    scan::Timing timing(clock.source());
    EXPECT_DOUBLE_EQ(timing.CurrentTime(), 123.456);
}

TEST(TimingTest, KeepsCountingPastTwentyFiveDays) {
    // A 32-bit millisecond counter would wrap near 24.8 days; differences must stay right.
    FakeClock clock{(qint64(1) << 31) - 500};
    scan::Timing timing(clock.source());
    timing.Start();
    clock.now += 2000;
    timing.Finish();
    EXPECT_DOUBLE_EQ(timing.ElapsedTime(), 2.0);
    EXPECT_DOUBLE_EQ(timing.CurrentTime(), 2.0);
}

} // namespace
