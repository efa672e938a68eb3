#include "support/main_window_harness.h"
#include "support/qt_printers.h"
#include "support/simulated_link.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

// A connected window on the simulated vehicle; connecting runs the first survey.
class SurveyTest : public ::testing::Test {
protected:
    void connectTo(sim::Profile profile) {
        h = std::make_unique<MainWindowHarness>(std::move(profile));
        h->simulatorPorts = {1};
        h->window->Form_Load();
        h->window->mnuConnectionCom1->trigger();
    }
    app::MainWindow& w() { return *h->window; }
    obd::SurveyState& survey() { return h->state.survey; }
    QStringList lines() {
        QStringList all;
        for (int i = 0; i < w().List1->count(); ++i)
            all << w().List1->item(i)->text();
        return all;
    }
    bool wasSent(const char* command) const { return h->sent.contains(QByteArray(command)); }
    // Lines, item codes and the logger's items describe the same items in the same order.
    void expectListsAgree() {
        const QStringList shown = lines();
        ASSERT_EQ(survey().PIDCount, shown.size());
        const QStringList items = survey().DataLogItems.stringList();
        ASSERT_EQ(items.size(), shown.size());
        for (int i = 0; i < shown.size(); ++i)
            EXPECT_TRUE(shown[i].startsWith(items[i])) << shown[i].toStdString();
    }

    std::unique_ptr<MainWindowHarness> h;
};

TEST_F(SurveyTest, TheDefaultVehicleFillsTheListAndTheStatusWindow) {
    connectTo(sim::Profile::defaults());
    EXPECT_EQ(w().Text1->text(), "ECU Connected");
    EXPECT_EQ(w().Label6->text(), "ECU #=10");
    EXPECT_GE(lines().size(), 30);
    expectListsAgree();
    EXPECT_EQ(survey().LinePID[0], 4);
    EXPECT_FALSE(
        lines().filter(QRegularExpression("^Engine RPM ------------- [ 0-9.]+RPM$")).isEmpty());
    const QString status = w().statusText();
    EXPECT_TRUE(status.startsWith("MIL is ON Stored Trouble Codes Present\n"))
        << status.toStdString();
    for (const char* expected :
         {"Fuel Sys1-Closed Loop Mode", "Short Term Fuel Trim---- ", "# of O2 Sensors -------- ",
          "OBDII", "# of WBO2 Sensors -------- 1"})
        EXPECT_TRUE(status.contains(expected)) << expected;
    EXPECT_TRUE(w().mnuDataLogLog->isEnabled());
    EXPECT_TRUE(w().mnuAF->isEnabled());
    EXPECT_TRUE(w().mnuFTM->isEnabled());
    EXPECT_TRUE(w().Mode5->isEnabled());
    EXPECT_FALSE(w().Mode1->isChecked());
    EXPECT_TRUE(survey().DataLogReady);
    EXPECT_EQ(survey().O2Present[0], 1);
    EXPECT_EQ(survey().O2Present[4], 16);
}

TEST_F(SurveyTest, KeywordsAreColouredAtTheEnd) {
    connectTo(sim::Profile::defaults());
    const int at = w().statusText().indexOf("Incomplete");
    ASSERT_GE(at, 0);
    QTextCursor c(w().textECU->document());
    c.setPosition(at + 1);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(255, 0, 0));
}

TEST_F(SurveyTest, TheRangeSurveysRunOnlyWhenAnnounced) {
    connectTo(vehicleWith({{0x05, bytes({130})}}));
    EXPECT_TRUE(wasSent("010009"));
    EXPECT_FALSE(wasSent("012009"));
    EXPECT_EQ(lines(), QStringList({"Coolant Temp -----------   194Deg F"}));

    connectTo(vehicleWith({{0x05, bytes({130})}, {0x42, bytes({0x30, 0x39})}}));
    EXPECT_TRUE(wasSent("012009"));
    EXPECT_TRUE(wasSent("014009"));
    EXPECT_EQ(lines(), QStringList({"Coolant Temp -----------   194Deg F",
                                    "Control Mod. Voltage---  12.345Volts"}));
}

TEST_F(SurveyTest, Pid41KeepsLinesAndItemCodesAligned) {
    connectTo(vehicleWith(
        {{0x41, bytes({0, 0, 0, 0})}, {0x42, bytes({0x30, 0x39})}, {0x45, bytes({255})}}));
    ASSERT_EQ(lines().size(), 2);
    EXPECT_EQ(survey().LinePID[0], 0x42);
    EXPECT_EQ(survey().LinePID[1], 0x45);
    EXPECT_EQ(lines()[1], "Rel. Throttle Position-  100%");
    expectListsAgree();
}

TEST_F(SurveyTest, NoAirFlowMeansNoFuelEconomyLine) {
    connectTo(vehicleWith({{0x0D, bytes({50})}, {0x10, bytes({0, 0})}}));
    EXPECT_EQ(lines().size(), 2);
    EXPECT_EQ(survey().LinePID[1], 16);

    connectTo(vehicleWith({{0x0D, bytes({50})}, {0x10, bytes({0x02, 0x9A})}}));
    ASSERT_EQ(lines().size(), 3);
    EXPECT_EQ(survey().LinePID[2], obd::kFuelEconomyCode);
    EXPECT_TRUE(lines()[2].startsWith("Gas Mileage ------------ ")) << lines()[2].toStdString();
}

TEST_F(SurveyTest, StatusDecodersWriteTextNotLines) {
    connectTo(vehicleWith({{0x01, bytes({0x82, 0x07, 0x21, 0x01})},
                           {0x03, bytes({3, 16})},
                           {0x12, bytes({4})},
                           {0x1C, bytes({1})}}));
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_EQ(w().statusText(), "MIL is ON Stored Trouble Codes Present\n"
                                "Misfire Monitoring            Complete\n"
                                "Fuel Sys. Monitoring          Complete\n"
                                "Component Monitoring          Complete\n"
                                "Catalyst Monitoring           Incomplete\n"
                                "O2 Sensor Monitoring          Complete\n"
                                "Fuel Sys2-Closed Loop with Fault\n"
                                "\n"
                                "Cmd Sec. Air Status ----  4\n"
                                "OBDII\n");
    EXPECT_TRUE(survey().O2MonitorComplete);
    EXPECT_FALSE(w().mnuAF->isEnabled());
    EXPECT_FALSE(w().mnuFTM->isEnabled());
}

TEST_F(SurveyTest, AFreezeFrameCodeMarksTheListAndNoneSkipsTheFirstPids) {
    connectTo(vehicleWith({{0x02, bytes({0x03, 0x01})}, {0x05, bytes({130})}}));
    EXPECT_TRUE(w().statusText().contains("Freeze Frame T.C. -P0301"));
    EXPECT_EQ(w().List1->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(lines().size(), 1);

    connectTo(
        vehicleWith({{0x02, bytes({0, 0})}, {0x05, bytes({130})}, {0x0C, bytes({0x1A, 0xF8})}}));
    EXPECT_TRUE(survey().NoFreezeFrame);
    EXPECT_TRUE(w().statusText().contains(" No Freeze Frame Data Stored"));
    EXPECT_EQ(lines(), QStringList({"Engine RPM -------------  1726RPM"}))
        << "PIDs $03-$08 are skipped";
}

TEST_F(SurveyTest, AnEcuWithoutObdDataSaysSo) {
    connectTo(sim::Profile::defaults());
    w().ChangeECU->click();
    EXPECT_EQ(h->simulator.currentEcu(), "D0");
    EXPECT_EQ(w().Label6->text(), "ECU #=D0");
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_TRUE(w().statusText().startsWith(
        "The ECU communicating does not support OBD-II data, you can read/clear "
        "it's trouble codes or Click 'Change ECU' "));
    // The wide-range sensor of the first ECU is still remembered.
    EXPECT_TRUE(w().statusText().endsWith("# of WBO2 Sensors -------- 1\n"));
    EXPECT_TRUE(w().mnuDataLogLog->isEnabled());
}

TEST_F(SurveyTest, ASecondSurveyAfterChangeEcuRebuildsEveryList) {
    connectTo(sim::Profile::defaults());
    const int first = lines().size();
    w().ChangeECU->click();
    w().ChangeECU->click();
    ASSERT_EQ(h->simulator.currentEcu(), "18");
    EXPECT_EQ(w().Label6->text(), "ECU #=18");
    EXPECT_LT(lines().size(), first);
    expectListsAgree();
    EXPECT_EQ(survey().DataLogItems.stringList().first(), "Coolant Temp -----------  ");
}

TEST_F(SurveyTest, ATimeoutInARangeSurveyEndsRedAfterTheFirstPart) {
    for (const char* range : {"0120", "0140"}) {
        h.reset();
        sim::Profile profile =
            vehicleWith({{0x05, bytes({130})}, {0x2F, bytes({128})}, {0x42, bytes({0x30, 0x39})}});
        h = std::make_unique<MainWindowHarness>(profile);
        h->simulatorPorts = {1};
        h->window->Form_Load();
        w().mnuConnectionCom1->trigger();
        h->simulator.injectFault(sim::Fault::EcuTimeout, -1, range);
        w().Mode1->click();
        EXPECT_EQ(w().Text1->text(), "ECU Timeout") << range;
        EXPECT_EQ(w().statusColour(), QColor(255, 0, 0));
        EXPECT_EQ(lines().first(), "Coolant Temp -----------   194Deg F");
        EXPECT_EQ(lines().size(), range == QLatin1String("0120") ? 1 : 2) << range;
    }
}

TEST_F(SurveyTest, NoVehicleSkipsToTheEnd) {
    connectTo(sim::Profile::defaults());
    h->simulator.setReachable(false);
    w().Mode1->click();
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_EQ(w().statusColour(), QColor(255, 255, 0));
    EXPECT_TRUE(w().Mode5->isEnabled());
    EXPECT_FALSE(w().Mode1->isChecked());
}

TEST_F(SurveyTest, TheLastWideRangeSensorIsRemembered) {
    connectTo(vehicleWith({{0x2A, bytes({0x80, 0x00, 0x80, 0x00})}}));
    EXPECT_EQ(survey().WBO2PID, "2A");
    EXPECT_EQ(lines(), QStringList({"O2S7 Sensor -----------  .999424 Lambda"}));
    EXPECT_TRUE(w().mnuAF->isEnabled());
    EXPECT_TRUE(w().statusText().endsWith("# of WBO2 Sensors -------- 1\n"));
}

TEST_F(SurveyTest, MetricUnitsApplyToTheNextSurvey) {
    connectTo(vehicleWith({{0x05, bytes({128})}, {0x0D, bytes({100})}}));
    EXPECT_EQ(lines(), QStringList({"Coolant Temp -----------   190Deg F",
                                    "Speed ------------------  61MPH"}));
    w().mnuUnitsMetric->trigger();
    w().Mode1->click();
    EXPECT_EQ(lines(), QStringList({"Coolant Temp -----------   88Deg C",
                                    "Speed ------------------  100KPH"}));
}

// Faults on one PID's request, and what the line then shows.
TEST_F(SurveyTest, MalformedRepliesAreAskedAgainAndEndAsTheEmptyReply) {
    struct Case {
        sim::Fault fault;
        int count;
        const char* speedLine;
    };
    const Case cases[] = {
        {sim::Fault::OutOfStepS, 1, "Speed ------------------  61MPH"},
        {sim::Fault::ExtraLeadingS, 1, "Speed ------------------  61MPH"},
        {sim::Fault::Garbage, 1, "Speed ------------------  61MPH"},
        {sim::Fault::OutOfStepS, -1, "Speed ------------------  0MPH"},
        {sim::Fault::Silence, -1, "Speed ------------------  0MPH"},
    };
    for (const Case& c : cases) {
        h = std::make_unique<MainWindowHarness>(
            vehicleWith({{0x05, bytes({128})}, {0x0D, bytes({100})}}));
        h->simulatorPorts = {1};
        h->window->Form_Load();
        h->simulator.injectFault(c.fault, c.count, "010D");
        QElapsedTimer elapsed;
        elapsed.start();
        w().mnuConnectionCom1->trigger();
        EXPECT_EQ(lines(), QStringList({"Coolant Temp -----------   190Deg F", c.speedLine}))
            << sim::faultName(c.fault).toStdString() << " x" << c.count;
        EXPECT_LT(elapsed.elapsed(), 5000) << "bounded by tries and the reply timeout";
        EXPECT_FALSE(w().link().busy());
    }
}

TEST_F(SurveyTest, DebugModeEchoesTheBitmapReply) {
    h = std::make_unique<MainWindowHarness>(vehicleWith({{0x05, bytes({128})}}));
    h->simulatorPorts = {1};
    h->window->Form_Load();
    h->state.link.DebugMode = true;
    w().mnuConnectionCom1->trigger();
    w().Mode1->click();
    EXPECT_TRUE(w().statusText().contains("Mode 1, PID 0 = V486B10410008"))
        << w().statusText().toStdString();
}

} // namespace
