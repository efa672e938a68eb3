// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/air_fuel_meter.h"
#include "monitor/fuel_trim_monitor.h"
#include "support/main_window_harness.h"
#include "support/qt_printers.h"
#include "support/simulated_link.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

TEST(MeterTextTest, ReadingsFollowTheMetersFormats) {
    const std::pair<QString, const char*> cases[] = {
        {monitor::airFuelRatioText(1.0), "14.62 A/F"},
        {monitor::airFuelRatioText(0.5), "07.31 A/F"},
        {monitor::engineSpeedText(750), "750  RPM "},
        {monitor::engineSpeedText(7), "007  RPM "},
        {monitor::engineSpeedText(12345.75), "12346  RPM "},
        {monitor::fuelTrimText(0, 130), "Short Term Fuel Trim B1----  1%"},
        {monitor::fuelTrimText(1, 126), "Long  Term Fuel Trim B1---- -2%"},
        {monitor::fuelTrimText(3, 0), "Long  Term Fuel Trim B2 ---- -100%"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(text, expected);
}

// The meters over a window connected to a vehicle with bank 1's trims, a wide-range sensor at
// lambda 1.0 and 750 rpm.
class MetersTest : public ::testing::Test {
protected:
    explicit MetersTest(std::map<quint8, QByteArray> pids = {{0x06, bytes({130})},
                                                             {0x07, bytes({126})},
                                                             {0x0C, bytes({0x0B, 0xB8})},
                                                             {0x34,
                                                              bytes({0x80, 0x13, 0x80, 0x00})}})
        : h(vehicleWith(pids)) {
        h.simulatorPorts = {1};
        w.load();
        w.com1Action->trigger();
        h.sent.clear();
    }
    // Runs `work`; `onPass` runs as the pass with the given number sends its first request.
    void run(const QByteArray& first, std::map<int, std::function<void()>> onPass,
             const std::function<void()>& work) {
        int passes = 0;
        h.onCommand = [&](const QByteArray& command) {
            if (command == first)
                if (const auto it = onPass.find(++passes); it != onPass.end())
                    it->second();
        };
        work();
        h.onCommand = nullptr;
    }

    MainWindowHarness h;
    app::MainWindow& w = *h.window;
};

TEST_F(MetersTest, AirFuelRatioRunsUntilExitAfterThePassUnderWayAndShowsNoAnswer) {
    ASSERT_TRUE(w.airFuelAction->isEnabled());
    w.airFuelAction->trigger();
    monitor::AirFuelWindow& m = *w.tools().airFuelWindow();
    ASSERT_TRUE(m.isVisible());
    run("013409",
        {{2,
          [&] {
              EXPECT_EQ(m.ratioBox->text(), "14.62 A/F");
              EXPECT_EQ(m.engineSpeedBox->text(), "750  RPM ");
              EXPECT_TRUE(w.session().link().busy()) << "the meter is the one operation";
              h.simulator.injectFault(sim::Fault::EcuTimeout, 1, "0134");
          }},
         {3,
          [&] {
              EXPECT_EQ(m.ratioBox->text(), "No answer to the lambda request.");
              EXPECT_EQ(m.engineSpeedBox->text(), "750  RPM ");
              m.exitButton->click();
          }}},
        [&] { m.startButton->click(); });
    EXPECT_EQ(h.sent.count("013409"), 3);
    EXPECT_EQ(h.sent.count("010C07"), 3) << "the pass under way completes";
    EXPECT_FALSE(m.isVisible());
    EXPECT_TRUE(m.ratioBox->text().isEmpty() && m.engineSpeedBox->text().isEmpty());
    EXPECT_FALSE(w.session().link().busy());
}

TEST_F(MetersTest, FuelTrimMonitorAsksOnlyForSupportedTrimsAndHidesWhenStopped) {
    ASSERT_TRUE(w.fuelTrimAction->isEnabled());
    monitor::FuelTrimWindow* f = nullptr;
    run("010606",
        {{1, [&] { f = w.tools().fuelTrimWindow(); }}, {2, [&] { f->exitButton->click(); }}},
        [&] { w.fuelTrimAction->trigger(); });
    ASSERT_TRUE(f);
    EXPECT_EQ(h.sent, QByteArrayList({"010606", "010706", "010606", "010706"}));
    EXPECT_EQ(f->trimLabels[0]->text(), "Short Term Fuel Trim B1----  1%");
    EXPECT_EQ(f->trimLabels[1]->text(), "Long  Term Fuel Trim B1---- -2%");
    EXPECT_EQ(f->trimLabels[3]->text(), monitor::unsupportedFuelTrimText(3));
    EXPECT_FALSE(f->isVisible());
    EXPECT_FALSE(w.session().link().busy());

    h.sent.clear();
    run("010606", {{1, [&] { f->close(); }}}, [&] { w.fuelTrimAction->trigger(); });
    EXPECT_EQ(h.sent, QByteArrayList({"010606", "010706"})) << "closed by its title bar";
    EXPECT_FALSE(f->isVisible());
}

class MetersWithoutSensorTest : public MetersTest {
protected:
    MetersWithoutSensorTest() : MetersTest({{0x0C, bytes({0x0B, 0xB8})}}) {}
};

TEST_F(MetersWithoutSensorTest, NeitherMeterSendsAnythingWithoutItsValues) {
    w.openAirFuelMeter();
    monitor::AirFuelWindow& m = *w.tools().airFuelWindow();
    m.startButton->click();
    EXPECT_EQ(m.ratioBox->text(), "No wide-range O2 sensor was found on this vehicle.");
    w.monitorFuelTrims();
    EXPECT_TRUE(h.sent.isEmpty());
    EXPECT_EQ(h.prompter.messageTexts(), QStringList({"The ECU reports no fuel trims."}));
}

} // namespace
