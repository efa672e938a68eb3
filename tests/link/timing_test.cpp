// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/timing.h"
#include "link/trace.h"
#include "support/qt_printers.h"

#include <QTemporaryDir>

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

// A bug report's trace must hold every line up to a crash, and the bytes as they were.
TEST(TraceTest, WritesEachLineAtOnceTextAsItStandsAndOtherBytesAsHex) {
    QTemporaryDir dir;
    qint64 now = 5000;
    scan::Trace trace([&now] { return now; });
    QString error;
    ASSERT_TRUE(trace.open(dir.filePath("t.txt"), error)) << error.toStdString();
    now += 12345;
    trace.sent("elm327", "010C");
    QFile file(dir.filePath("t.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "12.345 elm327 > 010C\n") << "on disk before the trace ends";
    trace.received("box", QByteArray("\x01\x06\x68\xF1", 4));
    trace.received("box", "");
    EXPECT_EQ(file.readAll(), "12.345 box < 01 06 68 F1\n") << "nothing for nothing";

    scan::Trace refused;
    EXPECT_FALSE(refused.open(dir.filePath("no-such-folder/t.txt"), error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
