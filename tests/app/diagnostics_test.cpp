// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/main_window_harness.h"
#include "support/qt_printers.h"
#include "support/simulated_link.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

const QByteArray kDefinitions =
    "P0300 Random/Multiple Cylinder Misfire Detected\r\nP0171 System Too Lean (Bank 1)\r\n"
    "P0420 Catalyst System Efficiency Below Threshold (Bank 1)\r\n";

// A window connected to the simulated vehicle, ready for the diagnostic services.
class DiagnosticsTest : public ::testing::Test {
protected:
    void connectTo(sim::Profile profile = sim::Profile::defaults()) {
        h = std::make_unique<MainWindowHarness>(std::move(profile), kDefinitions);
        h->simulatorPorts = {1};
        h->window->load();
        h->window->com1Action->trigger();
        ASSERT_EQ(w().statusBox->text(), "ECU Connected");
        h->sent.clear();
    }
    app::MainWindow& w() { return *h->window; }
    QStringList lines() {
        QStringList all;
        for (int i = 0; i < w().dataList->count(); ++i)
            all << w().dataList->item(i)->text();
        return all;
    }
    QColor listColour() { return w().dataList->palette().color(QPalette::Text); }

    std::unique_ptr<MainWindowHarness> h;
};

TEST_F(DiagnosticsTest, ReadClearAndReadAgain) {
    connectTo();
    w().troubleCodesButton->click();
    EXPECT_EQ(
        w().statusText(),
        "\nECU #=10\nMIL is ON\nVehicle Reports  2 Stored Trouble Code(s)\n"
        "TC1 -P0300\nP0300 Random/Multiple Cylinder Misfire Detected\n"
        "TC2 -P0171\nP0171 System Too Lean (Bank 1)\n"
        "Pending Code 1 -P0420--P0420 Catalyst System Efficiency Below Threshold (Bank 1)\n\n\n"
        "A code of 0000 means no code\n"
        "Permanent Code 1 -P0300--P0300 Random/Multiple Cylinder Misfire Detected");
    EXPECT_FALSE(w().troubleCodesButton->isChecked());

    h->sent.clear();
    w().clearCodesButton->click();
    EXPECT_TRUE(h->prompter.questions.empty()) << "the button is the confirmation";
    EXPECT_EQ(h->sent, QByteArrayList({"040404"}));
    EXPECT_EQ(w().statusText(), "Trouble Codes Cleared");

    w().troubleCodesButton->click();
    EXPECT_EQ(h->prompter.questions.size(), 1u) << "no MIL and no codes: read anyway?";
    EXPECT_TRUE(w().statusText().contains("MIL is OFF\nVehicle Reports  0 Stored Trouble Code(s)\n"
                                          "No Pending Codes to Report\n"
                                          "Permanent Code 1 -P0300"))
        << "a clear keeps them";
    EXPECT_EQ(w().session().link().unanswered(), 0);
}

TEST_F(DiagnosticsTest, OnlyAnAcknowledgedClearSaysClearedAndARefusalFailsTheReport) {
    sim::Profile refused = sim::Profile::defaults();
    refused.ecus[0].clearRefused = true;
    connectTo(refused);
    w().clearCodesButton->click();
    EXPECT_EQ(w().statusText(), "Operation Failed");
    EXPECT_EQ(w().statusBox->text(), "ECU Connected");
    EXPECT_TRUE(w().session().codeClearing().refused()) << "the report's failure";

    for (const sim::Fault fault : {sim::Fault::Cut, sim::Fault::WrongReply}) {
        connectTo();
        h->simulator.injectFault(fault, -1, "04");
        w().clearCodesButton->click();
        EXPECT_EQ(w().statusBox->text(), "ECU Timeout");
        EXPECT_EQ(w().statusColour(), QColor(255, 0, 0));
        EXPECT_EQ(w().statusText(), "No answer to the clear request. The trouble codes may not "
                                    "have been cleared.");
        EXPECT_FALSE(w().clearCodesButton->isChecked());
    }
}

TEST_F(DiagnosticsTest, FreezeFrameUsesTheSurveyInServiceTwoUntilTheNextSurvey) {
    connectTo();
    w().freezeFrameButton->click();
    EXPECT_TRUE(h->sent.startsWith("02000A"));
    EXPECT_TRUE(h->sent.contains("020507")) << "a freeze-frame request asks one byte more";
    EXPECT_TRUE(w().statusText().startsWith(
        "\nECU #=10\n\nFreeze Frame T.C. -P0300\nFuel Sys1-Open Loop Driving\n"));
    EXPECT_TRUE(lines().contains("Coolant Temp -----------   230Deg F"));
    EXPECT_EQ(listColour(), QColor(255, 0, 0));
    EXPECT_EQ(h->state.survey.DataLogItems.rowCount(), lines().size());

    h->sent.clear();
    w().currentDataButton->click();
    EXPECT_EQ(h->sent.first(), "010009");
    EXPECT_EQ(h->state.decoder.PIDMode, "01");
    EXPECT_EQ(listColour(), QColor(0, 0, 0));
}

TEST_F(DiagnosticsTest, TheFreezeFrameListsOnlyThePidsItsMapNames) {
    // Only the code that stored the frame.
    connectTo(vehicleWith({{0x05, bytes({128})}}, {{0x02, bytes({0x03, 0x01})}}));
    w().freezeFrameButton->click();
    EXPECT_TRUE(w().statusText().contains("Freeze Frame T.C. -P0301"));
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_EQ(h->sent, QByteArrayList({"02000A", "020208"}));

    // Nothing in the first byte: said so, and the other bytes still listed.
    connectTo(vehicleWith({{0x05, bytes({128})}}, {{0x0C, bytes({0x1A, 0xF8})}}));
    w().freezeFrameButton->click();
    EXPECT_EQ(w().statusText(), "\n\nNot Supported by this ECU\n");
    EXPECT_EQ(lines(), QStringList({"Engine RPM -------------  1726RPM"}));

    // No frame stored: nothing after PID $02.
    connectTo(vehicleWith({{0x05, bytes({128})}},
                          {{0x02, bytes({0, 0})}, {0x05, bytes({150})}, {0x0C, bytes({1, 0})}}));
    w().freezeFrameButton->click();
    EXPECT_TRUE(w().statusText().contains(" No Freeze Frame Data Stored"));
    EXPECT_TRUE(lines().isEmpty());
}

TEST_F(DiagnosticsTest, AFreezeFrameThatDoesNotComeIsNotDecoded) {
    connectTo();
    w().changeEcuButton->click();
    w().freezeFrameButton->click();
    EXPECT_TRUE(w().statusText().startsWith("The ECU communicating does not support OBD-II data"));

    // An ECU that does not answer has no freeze frame to offer: a finding, not a failure.
    const std::tuple<sim::Fault, const char*, int> cases[] = {
        {sim::Fault::EcuTimeout, nullptr, 0}, // the box says it; the window keeps its text
        {sim::Fault::Cut, "No answer to the freeze frame request.", 1},
        {sim::Fault::FlipDigit, "No answer to the freeze frame request.", 1},
        {sim::Fault::Refuse, "The ECU refused the freeze frame request.", 1},
    };
    for (const auto& [fault, text, unanswered] : cases) {
        connectTo();
        h->simulator.injectFault(fault, -1, "0200");
        const QString before = w().statusText();
        w().freezeFrameButton->click();
        EXPECT_EQ(w().statusBox->text(), "ECU Timeout, Freeze Frame not Supported");
        EXPECT_EQ(w().statusColour(), QColor(255, 0, 0));
        EXPECT_EQ(w().statusText(), text ? QString::fromLatin1(text) : before);
        EXPECT_TRUE(lines().isEmpty());
        EXPECT_EQ(w().session().link().unanswered(), unanswered);
    }

    connectTo();
    h->unplugOn = "020507";
    w().freezeFrameButton->click();
    EXPECT_TRUE(w().statusText().endsWith(
        "Reading the freeze frame was interrupted: the scan tool stopped answering."));
    EXPECT_FALSE(lines().join("").contains("Coolant")) << "nothing after the scan tool went";
}

TEST_F(DiagnosticsTest, AMonitorStatusTimeoutStillReadsPendingCodes) {
    connectTo();
    w().changeEcuButton->click(); // the ECU without OBD data does not answer PID $01
    w().troubleCodesButton->click();
    EXPECT_EQ(w().statusBox->text(), "ECU Timeout");
    EXPECT_EQ(w().statusColour(), QColor(255, 0, 0)) << "the text and its colour agree";
    EXPECT_EQ(w().statusText(), "\nNo Pending Codes to Report\nNo Permanent Codes to Report");
    EXPECT_EQ(h->sent.last(), "0A0A0A");
}

} // namespace
