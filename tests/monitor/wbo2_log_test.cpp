// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/wbo2_log.h"
#include "support/main_window_harness.h"
#include "support/simulated_link.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

TEST(Wbo2LogTest, RichRatiosComeFromTheCurrentLeanOnesFromLambda) {
    const std::tuple<double, double, double> cases[] = {
        {-1.0, 0.9, 12.7755215},      // rich: by the current
        {0.0, 1.0, 14.7304505},       // just below stoichiometric: still the current
        {0.5, 1.05, 1.05 * 14.731},   // 15.7079150 would be lean: lambda takes over
        {0.004, 0.99, 0.99 * 14.731}, // a hair above 14.731 by the current
    };
    for (const auto& [current, lambda, ratio] : cases)
        EXPECT_NEAR(monitor::airFuelRatio(current, lambda), ratio, 1e-9) << current;
}

TEST(Wbo2LogTest, TheFileHasTwoHeadersThenThreeNumbersASampleAndGapsForNoAnswer) {
    const std::vector<monitor::Wbo2Sample> samples = {
        {0.9594385, 12.7755215}, {std::nullopt, std::nullopt}, {1.05, 15.46755}};
    EXPECT_EQ(monitor::wbo2LogText(samples),
              "WBO2 Current mA\r\nWBO2 Lambda Reading\r\n0.9594385,12.7755215,0.9594385\r\n"
              ",,\r\n1.05,15.46755,1.05\r\n");
}

// The window over a rich sensor: lambda 0.9594385 at -1 mA, engine speed 1726 rpm.
class Wbo2WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.simulatorPorts = {1};
        w.load();
        w.com1Action->trigger();
        ASSERT_TRUE(w.wbo2LogAction->isEnabled()) << "the survey found PID $34";
        w.wbo2LogAction->trigger();
        ASSERT_TRUE(meter().isVisible());
        ASSERT_FALSE(w.isVisible());
    }
    monitor::Wbo2LogWindow& meter() { return *w.tools().wbo2LogWindow(); }
    void run(std::map<int, std::function<void()>> onSample) {
        h.clickCounting(meter().startButton, "013409", std::move(onSample));
    }

    MainWindowHarness h{
        vehicleWith({{0x0C, bytes({0x1A, 0xF8})}, {0x34, bytes({0x7A, 0xE1, 0x7F, 0x00})}})};
    app::MainWindow& w = *h.window;
};

TEST_F(Wbo2WindowTest, TheSampleLimitEndsTheRunWritesTheLogAndReturnsToTheMainWindow) {
    const QString path = h.dir.filePath("wbo2.log");
    h.prompter.fileNames = {path};
    meter().setSampleLimit(3);
    run({{2, [this] { h.simulator.injectFault(sim::Fault::EcuTimeout, 1, "0134"); }}});
    EXPECT_EQ(writtenLines(path), QStringList({"WBO2 Current mA", "WBO2 Lambda Reading",
                                               "0.9594385,12.7755215,0.9594385", ",,",
                                               "0.9594385,12.7755215,0.9594385"}));
    EXPECT_EQ(meter().lambdaBox->text(), " .9594");
    EXPECT_EQ(meter().airFuelBox->text(), "12.775");
    EXPECT_EQ(meter().rpmBox->text(), "1726");
    EXPECT_FALSE(meter().isVisible());
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.session().link().busy());
}

TEST_F(Wbo2WindowTest, StopStaysInTheWindowAfterWritingTheLog) {
    const QString path = h.dir.filePath("stop.log");
    h.prompter.fileNames = {path};
    run({{2, [this] { meter().stopButton->click(); }}});
    EXPECT_EQ(writtenLines(path).size(), 2 + 2) << "the pass under way ends first";
    EXPECT_EQ(meter().runState->text(), "Press Start To Run");
    EXPECT_TRUE(meter().isVisible());
    EXPECT_TRUE(meter().startButton->isEnabled());
}

TEST_F(Wbo2WindowTest, ExitOrTheTitleBarEndsTheRunAndStillOffersTheSamples) {
    const std::function<void(monitor::Wbo2LogWindow&)> leaves[] = {
        [](monitor::Wbo2LogWindow& m) { m.exitButton->click(); },
        [](monitor::Wbo2LogWindow& m) { m.close(); },
    };
    for (const auto& leave : leaves) {
        const QString path = h.dir.filePath("left.log");
        h.prompter.fileNames = {path};
        meter().setSampleLimit(5); // a run that goes on shows as five samples, not as a hang
        bool mainShownAtOnce = false;
        run({{2, [&] {
                  leave(meter());
                  mainShownAtOnce = w.isVisible() && !meter().isVisible();
              }}});
        EXPECT_TRUE(mainShownAtOnce);
        EXPECT_EQ(writtenLines(path).size(), 2 + 2);
        EXPECT_FALSE(w.session().link().busy());
        w.wbo2LogAction->trigger();
    }
}

} // namespace
