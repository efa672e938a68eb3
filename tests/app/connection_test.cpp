#include "support/main_window_harness.h"
#include "support/qt_printers.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using Outcome = scan::Connection::Outcome;

namespace {

sim::Profile withFirmware(const char* firmware) {
    sim::Profile p = sim::Profile::defaults();
    p.firmware = firmware;
    return p;
}

class ConnectionTest : public ::testing::Test {
protected:
    explicit ConnectionTest(sim::Profile profile = sim::Profile::defaults())
        : h(std::move(profile)) {}
    void SetUp() override {
        h.simulatorPorts = {1, 2, 3, 4, 7};
        w.Form_Load();
    }
    // Runs `during` once the connection is waiting (from inside its wait), then `command`.
    Outcome connectWhile(Outcome (scan::Connection::*command)(), std::function<void()> during) {
        QTimer::singleShot(50, &w, std::move(during));
        return (w.connection().*command)();
    }
    std::map<QString, bool> entries() const {
        std::map<QString, bool> e;
        for (QAction* a : w.mnuCom->actions())
            e[a->objectName()] = a->isEnabled();
        return e;
    }

    MainWindowHarness h;
    app::MainWindow& w = *h.window;
};

TEST_F(ConnectionTest, Com1ConnectsAndUnlocksTheServices) {
    w.mnuConnectionCom1->trigger();

    EXPECT_EQ(w.Text1->text(), "ECU Connected");
    EXPECT_EQ(w.statusColour(), QColor(0, 255, 0));
    EXPECT_EQ(w.Label7->text(), "F/W: V4.00");
    EXPECT_DOUBLE_EQ(h.state.link.FirmwareVersion, 4.0);
    for (QPushButton* b : {w.Mode1, w.Mode2, w.Mode3, w.Mode4, w.ChangeECU})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_FALSE(w.Mode5->isHidden());
    EXPECT_TRUE(w.mnuMode6->isEnabled());
    EXPECT_FALSE(w.mnuCom->menuAction()->isEnabled()) << "no second connection";
    EXPECT_TRUE(h.prompter.messages.empty());
    EXPECT_FALSE(w.link().busy());
}

TEST_F(ConnectionTest, EachCommandDisablesItsEntriesWhileWaitingAndReenablesItsOwnAfterwards) {
    struct Row {
        QAction* entry;
        std::vector<const char*> disabledWhileWaiting;
        std::vector<const char*> enabledAfter;
        std::vector<const char*> disabledAfter;
    };
    const Row rows[] = {
        {w.mnuConnectionCom1,
         {"mnuConnectionCom2", "mnuConnectionCom3"},
         {"mnuConnectionCom2", "mnuConnectionCom3"},
         {}},
        {w.mnuConnectionCom2,
         {"mnuUSB", "mnuConnectionCom1", "mnuConnectionCom3"},
         {"mnuConnectionCom1", "mnuConnectionCom3"},
         {"mnuUSB"}},
        {w.mnuConnectionCom3,
         {"mnuConnectionCom2", "mnuConnectionCom1"},
         {"mnuConnectionCom2", "mnuConnectionCom1"},
         {}},
        {w.mnuConnectionCom4,
         {"mnuConnectionCom2", "mnuConnectionCom1"},
         {"mnuConnectionCom2", "mnuConnectionCom1"},
         {}},
    };
    for (const Row& row : rows) {
        MainWindowHarness fresh;
        fresh.simulatorPorts = {1, 2, 3, 4};
        fresh.window->Form_Load();
        app::MainWindow& win = *fresh.window;
        QAction* entry = win.findChild<QAction*>(row.entry->objectName());
        std::map<QString, bool> during;
        fresh.simulator.setReachable(false);
        QTimer::singleShot(100, &win, [&] {
            for (QAction* a : win.mnuCom->actions())
                during[a->objectName()] = a->isEnabled();
            EXPECT_EQ(win.Text1->text(), "Waiting for ECU");
            EXPECT_EQ(win.statusColour(), QColor(255, 255, 0));
            fresh.simulator.setReachable(true);
        });
        entry->trigger();
        ASSERT_EQ(win.Text1->text(), "ECU Connected") << entry->objectName().toStdString();
        for (const char* name : row.disabledWhileWaiting)
            EXPECT_FALSE(during[name]) << entry->objectName().toStdString() << " " << name;
        for (const char* name : row.enabledAfter)
            EXPECT_TRUE(win.findChild<QAction*>(name)->isEnabled()) << name;
        for (const char* name : row.disabledAfter)
            EXPECT_FALSE(win.findChild<QAction*>(name)->isEnabled()) << name;
    }
}

TEST_F(ConnectionTest, APortThatDoesNotOpenSaysInvalidComPort) {
    h.simulatorPorts = {};
    EXPECT_EQ(w.connection().mnuConnectionCom2_Click(), Outcome::PortFailed);
    EXPECT_EQ(h.prompter.messageTexts(), QStringList({"Invalid COM PORT"}));
    for (QAction* a :
         {w.mnuConnectionCom1, w.mnuConnectionCom2, w.mnuConnectionCom3, w.mnuConnectionCom4})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_FALSE(w.mnuUSB->isEnabled()) << "a failed Com2 attempt leaves USB disabled";
    EXPECT_FALSE(w.Mode1->isEnabled());
    EXPECT_EQ(w.Text1->text(), "ECU Off-Line");
}

struct FirmwareCase {
    const char* firmware;
    double version;
    bool newer;
};

class FirmwareTest : public ::testing::TestWithParam<FirmwareCase> {};

TEST_P(FirmwareTest, FirmwareAbove309ShowsTheO2TestAndMode6) {
    MainWindowHarness h(withFirmware(GetParam().firmware));
    h.simulatorPorts = {1};
    h.window->Form_Load();
    h.window->mnuConnectionCom1->trigger();
    EXPECT_EQ(h.window->Label7->text(), QStringLiteral("F/W: V") + GetParam().firmware);
    EXPECT_DOUBLE_EQ(h.state.link.FirmwareVersion, GetParam().version);
    EXPECT_EQ(!h.window->Mode5->isHidden(), GetParam().newer);
    EXPECT_EQ(h.window->mnuMode6->isEnabled(), GetParam().newer);
    EXPECT_EQ(h.window->Text1->text(), "ECU Connected");
}

INSTANTIATE_TEST_SUITE_P(Versions, FirmwareTest,
                         ::testing::Values(FirmwareCase{"3.10", 3.1, true},
                                           FirmwareCase{"3.09", 3.09, false},
                                           FirmwareCase{"4.10", 4.1, true},
                                           FirmwareCase{"x.yz", 0, false}));

TEST_F(ConnectionTest, TheChooserPicksCom7) {
    const Outcome outcome = connectWhile(&scan::Connection::mnuConnectionComX_Click, [this] {
        ASSERT_TRUE(w.portChooserVisible());
        EXPECT_EQ(w.frmUserCOM()->windowTitle(), "User Defined COM Port Selection");
        EXPECT_FALSE(w.frmUserCOM()->Option3->isChecked());
        w.frmUserCOM()->Option3->click();
    });
    EXPECT_EQ(outcome, Outcome::Connected);
    EXPECT_EQ(h.state.link.ComPortNumber, 7);
    EXPECT_FALSE(w.portChooserVisible());
    EXPECT_EQ(w.Text1->text(), "ECU Connected");
}

TEST_F(ConnectionTest, ClosingTheChooserWithoutAPickLeavesTheMenuUsable) {
    const Outcome outcome = connectWhile(&scan::Connection::mnuConnectionComX_Click,
                                         [this] { w.frmUserCOM()->close(); });
    EXPECT_EQ(outcome, Outcome::Cancelled);
    EXPECT_FALSE(w.link().busy());
    EXPECT_TRUE(w.mnuConnectionComX->isEnabled());
    EXPECT_EQ(w.Text1->text(), "ECU Off-Line");
    w.mnuConnectionCom1->trigger();
    EXPECT_EQ(w.Text1->text(), "ECU Connected");
}

TEST_F(ConnectionTest, EscapeEndsTheWaitForAnUnreachableVehicle) {
    h.simulator.setReachable(false);
    w.connection().setReadyWaitLimit(std::chrono::seconds(10)); // a safety net, should Escape fail
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QElapsedTimer elapsed;
    elapsed.start();
    const Outcome outcome = connectWhile(&scan::Connection::mnuConnectionCom1_Click, [this] {
        EXPECT_EQ(w.statusColour(), QColor(255, 255, 0));
        EXPECT_EQ(w.connection().mnuConnectionCom4_Click(), Outcome::Busy)
            << "one operation at a time";
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    EXPECT_EQ(outcome, Outcome::Cancelled);
    EXPECT_LT(elapsed.elapsed(), 3000);
    EXPECT_EQ(w.Text1->text(), "ECU Off-Line");
    EXPECT_EQ(w.statusColour(), QColor(255, 0, 0));
    EXPECT_TRUE(w.statusText().contains("cancelled"));
    EXPECT_TRUE(w.mnuConnectionCom2->isEnabled());
    EXPECT_TRUE(w.mnuConnectionCom3->isEnabled());
    EXPECT_TRUE(h.prompter.messages.empty());

    h.simulator.setReachable(true);
    w.mnuConnectionCom1->trigger();
    EXPECT_EQ(w.Text1->text(), "ECU Connected");
}

TEST_F(ConnectionTest, ClosingTheWindowDuringAWaitEndsIt) {
    h.simulator.setReachable(false);
    w.connection().setReadyWaitLimit(std::chrono::seconds(10)); // a safety net, should closing fail
    QElapsedTimer elapsed;
    elapsed.start();
    const Outcome outcome =
        connectWhile(&scan::Connection::mnuConnectionCom1_Click, [this] { w.close(); });
    EXPECT_EQ(outcome, Outcome::Cancelled);
    EXPECT_LT(elapsed.elapsed(), 3000);
}

TEST_F(ConnectionTest, ASilentScanToolIsGivenUpOnWhenTheWaitIsLimited) {
    h.simulator.injectFault(sim::Fault::Silence);
    w.connection().setReadyWaitLimit(std::chrono::milliseconds(500));
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(w.connection().mnuConnectionCom1_Click(), Outcome::Cancelled);
    EXPECT_LT(elapsed.elapsed(), 3000);
    EXPECT_EQ(w.connection().failureReason(), "no answer from a scan tool on this port");
    EXPECT_EQ(w.statusColour(), QColor(255, 0, 0));
}

TEST_F(ConnectionTest, AScanToolThatVanishesGivesOneMessageAndARedBox) {
    h.simulator.injectFault(sim::Fault::Disconnect, 1, "9001");
    EXPECT_EQ(w.connection().mnuConnectionCom1_Click(), Outcome::Cancelled);
    ASSERT_EQ(h.prompter.messages.size(), 1u);
    EXPECT_TRUE(h.prompter.messages[0].text.contains("lost"));
    EXPECT_EQ(w.statusColour(), QColor(255, 0, 0));
    EXPECT_EQ(w.Text1->text(), "ECU Off-Line");
    EXPECT_FALSE(w.Mode1->isEnabled());
}

TEST_F(ConnectionTest, GarbageForAFirmwareReplyIsShownButHarmless) {
    h.simulator.injectFault(sim::Fault::Garbage, 1, "9001");
    w.mnuConnectionCom1->trigger();
    EXPECT_EQ(w.Text1->text(), "ECU Connected");
    EXPECT_TRUE(w.Label7->text().startsWith("F/W: "));
    EXPECT_LE(w.Label7->text().size(), 10);
}

TEST_F(ConnectionTest, MarkerFaultsInTheFirmwareReplyShowAsTheyCome) {
    // The firmware query reads its reply as it is: a fault shows in the label and decides the
    // version by what stands in characters 2-5, but the connection completes.
    const std::tuple<sim::Fault, const char*, bool> cases[] = {
        {sim::Fault::EcuTimeout, "F/W: VS000", false},
        {sim::Fault::ExtraLeadingS, "F/W: SV4.0", false},
        {sim::Fault::OutOfStepS, "F/W: V4S00", true},
    };
    for (const auto& [fault, label, newer] : cases) {
        MainWindowHarness fresh;
        fresh.simulatorPorts = {1};
        fresh.window->Form_Load();
        fresh.simulator.injectFault(fault, 1, "9001");
        fresh.window->mnuConnectionCom1->trigger();
        EXPECT_EQ(fresh.window->Label7->text(), label);
        EXPECT_EQ(fresh.window->Text1->text(), "ECU Connected");
        EXPECT_EQ(fresh.window->mnuMode6->isEnabled(), newer) << label;
    }
}

TEST_F(ConnectionTest, ChangeEcuSendsNextEcuEvenWhenTheVehicleIsUnreachable) {
    w.mnuConnectionCom1->trigger();
    ASSERT_EQ(h.simulator.currentEcu(), "10");
    h.simulator.setReachable(false);
    QElapsedTimer elapsed;
    elapsed.start();
    w.ChangeECU->click();
    EXPECT_LT(elapsed.elapsed(), 500) << "the reply wait ends at once on P";
    EXPECT_EQ(h.simulator.currentEcu(), "D0");
    EXPECT_EQ(w.ChangeECU->text(), "Toggle ECU");
    EXPECT_FALSE(w.ChangeECU->isChecked());
    EXPECT_EQ(w.statusColour(), QColor(255, 255, 0));

    h.simulator.setReachable(true);
    w.ChangeECU->click();
    EXPECT_EQ(h.simulator.currentEcu(), "18");
}

} // namespace
