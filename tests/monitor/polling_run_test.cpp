// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/in_process_transport.h"
#include "monitor/polling_run.h"
#include "support/recording_link_view.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <map>

using End = monitor::PollingRun::End;

namespace {

// A run over a link whose clock moves 10 ms on every wait step; `at` schedules what happens at
// a given time, as a click on STOP or Pause would.
class PollingRunTest : public ::testing::Test {
protected:
    PollingRunTest() {
        QString error;
        transport.open(error);
        link.setTransport(&transport);
    }
    void pump() {
        clock += 10;
        while (!at.empty() && at.begin()->first <= clock) {
            const auto action = at.begin()->second;
            at.erase(at.begin());
            action();
        }
    }
    // Runs as the operation under way, as the windows run it.
    End runRecording() {
        scan::ScanToolLink::Operation operation(link);
        return run.run([this] {
            starts.push_back(clock);
            if (const auto it = duringPass.find(int(starts.size())); it != duringPass.end())
                it->second();
            clock += 30; // a pass takes its exchanges' time
            return true;
        });
    }

    qint64 clock = 0;
    std::map<qint64, std::function<void()>> at;
    std::map<int, std::function<void()>> duringPass; // by the pass's number, from 1
    std::vector<qint64> starts;
    scan::LinkState state;
    RecordingLinkView view;
    ScriptedPrompter prompter;
    scan::InProcessTransport transport;
    scan::ScanToolLink link{
        state,
        view,
        prompter,
        {std::chrono::milliseconds(5000), [this] { return clock; }, [this] { pump(); }}};
    monitor::PollingRun run{link};
};

TEST_F(PollingRunTest, PassesStartAnIntervalApartUpToTheLimit) {
    run.setInterval(std::chrono::milliseconds(100));
    run.setLimit(4);
    EXPECT_EQ(runRecording(), End::Limit);
    EXPECT_EQ(starts, (std::vector<qint64>{0, 100, 200, 300}));

    run.setInterval(std::nullopt);
    starts.clear();
    clock = 0;
    EXPECT_EQ(runRecording(), End::Limit);
    EXPECT_EQ(starts, (std::vector<qint64>{0, 30, 60, 90})) << "no interval: back to back";
}

TEST_F(PollingRunTest, StopTakesEffectAfterThePassUnderWayAndEscapeAtOnce) {
    duringPass[2] = [this] { run.stop(); };
    EXPECT_EQ(runRecording(), End::Stopped);
    EXPECT_EQ(run.samples(), 2);

    starts.clear();
    run.setInterval(std::chrono::milliseconds(1000));
    at[clock + 500] = [this] { link.cancel(); };
    EXPECT_EQ(runRecording(), End::Stopped);
    EXPECT_EQ(starts.size(), 1u) << "Escape ends the interval's wait";
}

TEST_F(PollingRunTest, APauseHoldsTheRunBetweenPasses) {
    run.setInterval(std::chrono::milliseconds(100));
    run.setLimit(3);
    duringPass[2] = [this] { run.pause(); };
    at[1000] = [this] { run.resume(); };
    EXPECT_EQ(runRecording(), End::Limit);
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[1], 100);
    EXPECT_EQ(starts[2], 1000) << "nothing runs while paused; the next pass starts on resume";
}

TEST_F(PollingRunTest, ALostScanToolEndsTheRun) {
    duringPass[3] = [this] { transport.unplug("device removed"); };
    EXPECT_EQ(runRecording(), End::LostScanTool);
    EXPECT_EQ(run.samples(), 3);
}

} // namespace
