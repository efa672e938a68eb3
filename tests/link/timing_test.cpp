// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/timing.h"

#include <gtest/gtest.h>

namespace {

TEST(TimingTest, MeasuresSecondsBetweenStartAndFinishPastTwentyFiveDays) {
    qint64 now = 123456;
    scan::Timing timing([&now] { return now; });
    EXPECT_DOUBLE_EQ(timing.CurrentTime(), 123.456) << "never started: from the clock's origin";
    timing.Start();
    now += 250;
    EXPECT_DOUBLE_EQ(timing.ElapsedTime(), 0) << "no Finish yet";
    EXPECT_DOUBLE_EQ(timing.CurrentTime(), 0.25);
    timing.Finish();
    now += 9999;
    EXPECT_DOUBLE_EQ(timing.ElapsedTime(), 0.25);

    // A 32-bit millisecond counter would wrap near 24.8 days; differences must stay right.
    now = (qint64(1) << 31) - 500;
    timing.Start();
    now += 2000;
    timing.Finish();
    EXPECT_DOUBLE_EQ(timing.ElapsedTime(), 2.0);
    EXPECT_DOUBLE_EQ(timing.CurrentTime(), 2.0);
}

} // namespace
