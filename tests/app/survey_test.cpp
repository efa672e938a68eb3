// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/main_window_harness.h"
#include "support/qt_printers.h"
#include "support/simulated_link.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
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
        h->window->load();
        h->window->com1Action->trigger();
    }
    app::MainWindow& w() { return *h->window; }
    obd::SurveyState& survey() { return h->state.survey; }
    QStringList lines() {
        QStringList all;
        for (int i = 0; i < w().dataList->count(); ++i)
            all << w().dataList->item(i)->text();
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

sim::Profile coolantAndSpeed() {
    return vehicleWith({{0x05, bytes({128})}, {0x0D, bytes({100})}, {0x11, bytes({128})}});
}
const QStringList coolantAndSpeedLines = {"Coolant Temp -----------   190Deg F",
                                          "Speed ------------------  61MPH",
                                          "Throttle Position ------  50.%"};

TEST_F(SurveyTest, TheDefaultVehicleFillsTheListAndTheStatusWindow) {
    connectTo(sim::Profile::defaults());
    EXPECT_EQ(w().statusBox->text(), "ECU Connected");
    EXPECT_EQ(w().ecuAddressCaption->text(), "ECU #=10\n");
    EXPECT_GE(lines().size(), 30);
    expectListsAgree();
    EXPECT_EQ(survey().LinePID[0], 4);
    EXPECT_FALSE(
        lines().filter(QRegularExpression("^Engine RPM ------------- [ 0-9.]+RPM$")).isEmpty());
    const QString status = w().statusText();
    EXPECT_TRUE(status.startsWith("MIL is ON Stored Trouble Codes Present\n"));
    for (const char* expected :
         {"Fuel Sys1-Closed Loop Mode", "Short Term Fuel Trim---- ", "# of O2 Sensors -------- ",
          "OBDII", "# of WBO2 Sensors -------- 1"})
        EXPECT_TRUE(status.contains(expected)) << expected;
    EXPECT_FALSE(status.contains("No answer"));
    QTextCursor c(w().statusWindow->document());
    c.setPosition(status.indexOf("Incomplete") + 1);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(255, 0, 0)) << "keywords coloured";
    for (QAction* a : {w().dataLoggerAction, w().airFuelAction, w().fuelTrimAction})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(w().o2TestButton->isEnabled());
    EXPECT_FALSE(w().currentDataButton->isChecked());
    EXPECT_EQ(survey().O2Present[4], 16);
    EXPECT_EQ(w().session().link().unanswered(), 0);

    EXPECT_TRUE(status.contains("\nVIN: 1FTFW1ET5DFC10312\nCalibration ID: JMB*36761500\n"));
    EXPECT_EQ(w().notes->text(), "1FTFW1ET5DFC10312") << "the VIN fills the empty notes box";
    w().notes->setText("Customer: brakes squeal");
    w().currentDataButton->click();
    EXPECT_EQ(w().notes->text(), "Customer: brakes squeal") << "what the user typed stays";
}

TEST_F(SurveyTest, TheRangeSurveysRunOnlyWhenAnnounced) {
    connectTo(vehicleWith({{0x05, bytes({130})}}));
    EXPECT_FALSE(wasSent("012009"));
    EXPECT_EQ(lines(), QStringList({"Coolant Temp -----------   194Deg F"}));

    connectTo(vehicleWith(
        {{0x05, bytes({130})}, {0x41, bytes({0, 0, 0, 0})}, {0x42, bytes({0x30, 0x39})}}));
    EXPECT_TRUE(wasSent("012009"));
    EXPECT_TRUE(wasSent("014009"));
    EXPECT_EQ(lines(), QStringList({"Coolant Temp -----------   194Deg F",
                                    "Control Mod. Voltage---  12.345Volts"}));
    EXPECT_EQ(survey().LinePID[1], 0x42) << "PID $41 takes no line";
    expectListsAgree();
}

TEST_F(SurveyTest, NoAirFlowMeansNoFuelEconomyLine) {
    connectTo(vehicleWith({{0x0D, bytes({50})}, {0x10, bytes({0, 0})}}));
    EXPECT_EQ(lines().size(), 2);

    connectTo(vehicleWith({{0x0D, bytes({50})}, {0x10, bytes({0x02, 0x9A})}}));
    ASSERT_EQ(lines().size(), 3);
    EXPECT_EQ(survey().LinePID[2], obd::kFuelEconomyCode);
    EXPECT_TRUE(lines()[2].startsWith("Gas Mileage ------------ "));
}

TEST_F(SurveyTest, StatusDecodersWriteTextNotLines) {
    connectTo(vehicleWith({{0x01, bytes({0x82, 0x07, 0x21, 0x01})},
                           {0x03, bytes({3, 16})},
                           {0x12, bytes({4})},
                           {0x1C, bytes({1})},
                           {0x1D, bytes({0x33})}}));
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_EQ(w().statusText(),
              "MIL is ON Stored Trouble Codes Present\n"
              "Misfire Monitoring            Complete\n"
              "Fuel Sys. Monitoring          Complete\n"
              "Component Monitoring          Complete\n"
              "Catalyst Monitoring           Incomplete\n"
              "O2 Sensor Monitoring          Complete\n"
              "Fuel Sys2-Closed Loop with Fault\n"
              "\n"
              "Cmd Sec. Air Status ----  4\n"
              "OBDII\n"
              "# of O2 Sensors --------  4\n"
              "\n"
              "VIN: not reported\n"
              "Calibration ID: not reported\n"
              "CVN: not reported\n"
              "ECU Name: not reported\n"
              "Readiness: MIL on, 1 incomplete (Catalyst) \u2014 not ready for an "
              "emissions inspection (model year unknown: at most one incomplete "
              "allowed)\n");
    EXPECT_FALSE(w().airFuelAction->isEnabled());
    EXPECT_FALSE(w().fuelTrimAction->isEnabled());
}

TEST_F(SurveyTest, AFreezeFrameCodeMarksTheListAndNoneSkipsTheFirstPids) {
    connectTo(vehicleWith({{0x02, bytes({0x43, 0x01})}, {0x05, bytes({130})}}));
    EXPECT_TRUE(w().statusText().contains("Freeze Frame T.C. -C0301"));
    EXPECT_EQ(w().dataList->palette().color(QPalette::Text), QColor(255, 0, 0));

    connectTo(
        vehicleWith({{0x02, bytes({0, 0})}, {0x05, bytes({130})}, {0x0C, bytes({0x1A, 0xF8})}}));
    EXPECT_TRUE(w().statusText().contains(" No Freeze Frame Data Stored"));
    EXPECT_EQ(lines(), QStringList({"Engine RPM -------------  1726RPM"}))
        << "PIDs $03-$08 are skipped";
}

TEST_F(SurveyTest, AnotherEcuGetsItsOwnListOrSaysItHasNoData) {
    connectTo(sim::Profile::defaults());
    const int first = lines().size();
    w().changeEcuButton->click();
    EXPECT_EQ(w().ecuAddressCaption->text(), "ECU #=D0\n");
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_TRUE(w().statusText().startsWith(
        "The ECU communicating does not support OBD-II data, you can read/clear "
        "it's trouble codes or Click 'Change ECU' "));
    // Nothing the first ECU reported stands for this one.
    EXPECT_FALSE(w().statusText().contains("WBO2"));
    EXPECT_EQ(survey().WBO2PID, "0");
    EXPECT_EQ(survey().O2Present, (std::array<int, 8>{}));
    for (QAction* a : {w().airFuelAction, w().fuelTrimAction, w().wbo2LogAction})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();

    w().changeEcuButton->click();
    EXPECT_EQ(w().ecuAddressCaption->text(), "ECU #=18\n");
    EXPECT_LT(lines().size(), first);
    expectListsAgree();
    EXPECT_EQ(survey().DataLogItems.stringList().first(), "Coolant Temp -----------  ");
}

TEST_F(SurveyTest, ATimeoutInARangeSurveyEndsRedAfterTheFirstPart) {
    for (const char* range : {"0120", "0140"}) {
        connectTo(
            vehicleWith({{0x05, bytes({130})}, {0x2F, bytes({128})}, {0x42, bytes({0x30, 0x39})}}));
        h->simulator.injectFault(sim::Fault::EcuTimeout, -1, range);
        w().currentDataButton->click();
        EXPECT_EQ(w().statusBox->text(), "ECU Timeout") << range;
        EXPECT_EQ(w().statusColour(), QColor(255, 0, 0));
        EXPECT_EQ(lines().size(), range == QLatin1String("0120") ? 1 : 2) << range;
    }
}

TEST_F(SurveyTest, MetricUnitsApplyToTheNextSurvey) {
    connectTo(vehicleWith({{0x05, bytes({128})}, {0x0D, bytes({100})}}));
    w().metricUnitsAction->trigger();
    EXPECT_TRUE(w().metricUnitsAction->isChecked());
    EXPECT_FALSE(w().englishUnitsAction->isChecked());
    w().currentDataButton->click();
    EXPECT_EQ(lines(), QStringList({"Coolant Temp -----------   88Deg C",
                                    "Speed ------------------  100KPH"}));
}

// Faults on one request, and the lines that survive them: never one built from a bad reply.
TEST_F(SurveyTest, ARequestThatStaysUnansweredAddsNoLine) {
    struct Case {
        sim::Fault fault;
        int count;
        const char* prefix;
        const char* statusLine; // nothing when the survey is complete
    };
    const Case cases[] = {
        {sim::Fault::OutOfStepS, 1, "010D", nullptr},
        {sim::Fault::ExtraLeadingS, 1, "0100", nullptr},
        {sim::Fault::OutOfStepS, -1, "010D", "No answer to the Speed request."},
        {sim::Fault::Silence, -1, "010D", "No answer to the Speed request."},
        {sim::Fault::EcuTimeout, -1, "010D", "No answer to the Speed request."},
        {sim::Fault::WrongReply, -1, "010D", "No answer to the Speed request."},
        {sim::Fault::Refuse, -1, "010D", "The ECU refused the Speed request."},
    };
    for (const Case& c : cases) {
        const std::string name = sim::faultName(c.fault).toStdString() + " on " + c.prefix;
        connectTo(coolantAndSpeed());
        h->simulator.injectFault(c.fault, c.count, c.prefix);
        w().currentDataButton->click();
        QStringList expected = coolantAndSpeedLines;
        if (c.statusLine) {
            expected.removeAt(1);
            EXPECT_TRUE(w().statusText().contains(c.statusLine)) << name;
        }
        EXPECT_EQ(lines(), expected) << name;
        EXPECT_EQ(w().session().link().unanswered(), c.statusLine ? 1 : 0) << name;
        EXPECT_FALSE(w().session().link().busy());
    }
}

TEST_F(SurveyTest, AnUnpluggedScanToolEndsTheSurveyWithNothingMadeUp) {
    connectTo(coolantAndSpeed());
    h->unplugOn = "010D06";
    w().currentDataButton->click();
    EXPECT_EQ(lines(), coolantAndSpeedLines.first(1));
    EXPECT_TRUE(w().statusText().endsWith(
        "The connection to the scan tool was lost. Choose its port in the Connection menu to "
        "connect again.\nThe survey was interrupted: the scan tool stopped answering.\n"));
    EXPECT_EQ(w().statusBox->text(), "ECU Off-Line");
    EXPECT_EQ(w().statusColour(), QColor(255, 0, 0));
    for (QPushButton* b : {w().currentDataButton, w().freezeFrameButton, w().troubleCodesButton,
                           w().clearCodesButton, w().changeEcuButton})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_FALSE(w().onBoardTestsAction->isEnabled());
    EXPECT_TRUE(w().connectionMenu->menuAction()->isEnabled());
    EXPECT_TRUE(w().com1Action->isEnabled());
    EXPECT_EQ(h->prompter.messageTexts(),
              QStringList({"The scan tool stopped answering on Com1 (simulated scan tool): it "
                           "may have been unplugged (device removed)."}));
    const auto textColour = [](QWidget* shown, QPalette::ColorRole role) {
        return shown->palette().color(role);
    };
    EXPECT_EQ(textColour(w().dataList, QPalette::Text), QColor(Qt::gray));
    EXPECT_EQ(textColour(w().ecuAddressCaption, QPalette::WindowText), QColor(Qt::gray));
    EXPECT_TRUE(w().findChild<QLabel*>("statusHint")
                    ->text()
                    .contains("values from before the link was lost"));

    // Plugged in again: the same entry reaches it without restarting.
    h->unplugOn.clear();
    w().com1Action->trigger();
    EXPECT_EQ(w().statusBox->text(), "ECU Connected");
    EXPECT_EQ(lines(), coolantAndSpeedLines);
    EXPECT_EQ(textColour(w().dataList, QPalette::Text), QColor(Qt::black));
    EXPECT_NE(textColour(w().ecuAddressCaption, QPalette::WindowText), QColor(Qt::gray));
    EXPECT_FALSE(w().findChild<QLabel*>("statusHint")->text().contains("lost"));
    EXPECT_TRUE(w().currentDataButton->isEnabled());
}

TEST_F(SurveyTest, EscapeStopsTheSurveyAndOnlyIt) {
    connectTo(coolantAndSpeed());
    h->onCommand = [this](const QByteArray& command) {
        if (command == "010D06")
            w().session().link().cancel();
    };
    w().currentDataButton->click();
    EXPECT_EQ(lines(), coolantAndSpeedLines.first(1));
    EXPECT_TRUE(w().statusText().endsWith("The survey was stopped.\n"));
    EXPECT_EQ(w().statusBox->text(), "ECU Connected");

    h->onCommand = nullptr;
    w().currentDataButton->click();
    EXPECT_EQ(lines(), coolantAndSpeedLines);
}

TEST_F(SurveyTest, DebugModeEchoesTheBitmapReplyOnly) {
    h = std::make_unique<MainWindowHarness>(vehicleWith({{0x05, bytes({128})}}));
    h->simulatorPorts = {1};
    h->window->load();
    w().debugModeAction->trigger();
    EXPECT_TRUE(w().debugModeAction->isChecked());
    w().com1Action->trigger();
    EXPECT_TRUE(w().statusText().startsWith("\n\nMode 1, PID 0 = V486B104100080000000C\n"));
    EXPECT_EQ(w().statusText().count("= V"), 1) << "the bitmap's reply only";
}

} // namespace
