// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/display_items.h"
#include "support/main_window_harness.h"
#include "support/qt_printers.h"
#include "support/simulated_link.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

obd::Reading answered(const char* value, const char* units, const char* label = "") {
    return {value, units, label, 0, scan::ObdAnswer({{0x10, QByteArray::fromHex("410C1AF8")}}, {})};
}

TEST(DisplayItemTest, ValueBoxTextsFollowEachItemsFormat) {
    const std::tuple<int, obd::Reading, const char*> cases[] = {
        {4, answered(" 45", "%"), "45.0%"},
        {17, answered(" 7", "%"), "07.0% "},
        {10, answered(" 300", "KPa"), " 300KPa"},
        {5, answered(" 87", "Deg F"), "87 Deg F"},
        {12, answered(" 750.25", "RPM"), "750 RPM"},
        {20, answered(" .455", " Volts"), "0.455  Volts"},
        {18, answered(" 142.", "MPG"), " 142.MPG"},
        {13, answered("fast", "MPH"), "fastMPH"}, // not a number: shown as it is
    };
    for (const auto& [code, reading, text] : cases)
        EXPECT_EQ(monitor::displayText(*monitor::displayItem(code), reading), text) << code;
    for (const int code : {6, 9, 19, 28, 32, 64, 65})
        EXPECT_FALSE(monitor::displayItem(code)) << "No Data Selected for " << code;
    const auto wide = *monitor::displayItem(0x34);
    EXPECT_EQ(monitor::displayDescription(wide, answered(" 1", " Lambda", "O2S1 Sensor ")),
              "Wide Range O2 Sensor Lambda");
    EXPECT_DOUBLE_EQ(wide.upper, 1.999);
}

// The chart over a window connected to a vehicle whose engine speed holds still.
class RealtimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.simulatorPorts = {1};
        w.load();
        w.com1Action->trigger();
        ASSERT_EQ(w.dataList->count(), 2);
    }
    // Runs the display of a line; `onPass` runs as the pass with the given number sends.
    void display(int line, std::map<int, std::function<void()>> onPass) {
        int passes = 0;
        h.onCommand = [&](const QByteArray& command) {
            if (command.startsWith("010C") || command.startsWith("0105"))
                if (const auto it = onPass.find(++passes); it != onPass.end())
                    it->second();
        };
        w.dataList->setCurrentRow(line);
        w.chartSelectedLine();
        h.onCommand = nullptr;
    }
    monitor::ChartWindow& chart() { return *w.tools().chartWindow(); }

    MainWindowHarness h{vehicleWith({{0x05, bytes({128})}, {0x0C, bytes({0x1A, 0xF8})}})};
    app::MainWindow& w = *h.window;
};

TEST_F(RealtimeTest, ShowsTheValueAndPlotsEachPassUntilStopped) {
    display(1, {{3, [this] { chart().stopButton->click(); }}});
    EXPECT_EQ(chart().stripChart->pointCount(), 3) << "the pass under way completes";
    EXPECT_DOUBLE_EQ(chart().stripChart->points().back().y(), 1726);
    EXPECT_EQ(chart().valueCaption->text(), "Engine RPM ------------- ");
    EXPECT_EQ(chart().valueBox->text(), "1726 RPM");
    EXPECT_EQ(chart().stripChart->yTitle(), "RPM");
    EXPECT_FALSE(chart().isVisible());
    EXPECT_FALSE(w.session().link().busy());
}

TEST_F(RealtimeTest, FreezeTwiceKeepsItRunningAndAnUnansweredPassAddsNoPoint) {
    display(1, {{2,
                 [this] {
                     chart().freezeButton->click();
                     chart().freezeButton->click();
                     h.simulator.injectFault(sim::Fault::EcuTimeout, 1, "010C");
                 }},
                {3,
                 [this] {
                     EXPECT_EQ(chart().valueBox->text(), "No answer to the Engine RPM request.");
                 }},
                {4, [this] { chart().close(); }}});
    EXPECT_EQ(chart().stripChart->pointCount(), 3);
    EXPECT_EQ(chart().valueBox->text(), "1726 RPM");
}

TEST_F(RealtimeTest, LiveViewsAskForCurrentDataAfterAFreezeFrame) {
    h.state.decoder.PIDMode = "02";
    h.state.decoder.PIDOffset = 1;
    display(0, {{2, [this] { chart().stopButton->click(); }}});
    EXPECT_TRUE(h.sent.contains("010506"));
    EXPECT_EQ(chart().valueBox->text(), "190 Deg F");

    h.sent.clear();
    w.dataList->setCurrentRow(-1);
    w.chartSelectedLine();
    EXPECT_TRUE(h.sent.isEmpty()) << "no line selected: nothing happens";
}

} // namespace
