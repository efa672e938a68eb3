// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag/mode6_window.h"
#include "support/main_window_harness.h"
#include "support/qt_printers.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using Outcome = scan::Connection::Outcome;

namespace {

class ConnectionTest : public ::testing::Test {
protected:
    explicit ConnectionTest(sim::Profile profile = sim::Profile::defaults())
        : h(std::move(profile)) {}
    void SetUp() override {
        h.simulatorPorts = {1, 2, 3, 4, 7};
        w.load();
    }
    // Runs `during` once the connection is waiting (from inside its wait), then the command.
    Outcome connectWhile(scan::Entry entry, std::function<void()> during) {
        QTimer::singleShot(50, &w, std::move(during));
        return w.session().connectScanTool(entry);
    }

    MainWindowHarness h;
    app::MainWindow& w = *h.window;
};

TEST_F(ConnectionTest, Com1ConnectsAndUnlocksTheServices) {
    bool disabledWhileBusy = false;
    QString busyLine;
    QTimer::singleShot(0, &w, [&] {
        disabledWhileBusy = !w.currentDataButton->isEnabled() && !w.com4Action->isEnabled();
        busyLine = w.statusBar()->currentMessage();
    });
    w.com1Action->trigger();

    EXPECT_TRUE(disabledWhileBusy) << "nothing else starts while the connection runs";
    EXPECT_EQ(busyLine, "Connecting on Com1... Press Esc to stop.");
    EXPECT_EQ(w.statusBox->text(), "ECU Connected");
    EXPECT_EQ(w.statusColour(), QColor(0, 255, 0));
    EXPECT_EQ(w.firmwareCaption->text(), "F/W: V4.00");
    for (QPushButton* b : {w.currentDataButton, w.freezeFrameButton, w.troubleCodesButton,
                           w.clearCodesButton, w.changeEcuButton})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_FALSE(w.o2TestButton->isHidden());
    EXPECT_TRUE(w.onBoardTestsAction->isEnabled());
    w.onBoardTestsAction->trigger();
    ASSERT_TRUE(w.tools().onBoardTestWindow());
    EXPECT_TRUE(w.tools().onBoardTestWindow()->isVisible()) << "shown without waiting for it";
    EXPECT_EQ(w.tools().onBoardTestWindow()->windowTitle(), "SAE-J1979 Service $06 ");
    EXPECT_FALSE(w.connectionMenu->menuAction()->isEnabled()) << "no second connection";
    EXPECT_EQ(w.findChild<QLabel*>("statusHint")->text(),
              "Connected to the scan tool on Com1 (simulated scan tool).");
    EXPECT_TRUE(h.prompter.messages.empty());
}

TEST_F(ConnectionTest, APortThatDoesNotOpenSaysInvalidComPort) {
    h.simulatorPorts = {};
    EXPECT_EQ(w.session().connectScanTool(scan::Entry::Com2), Outcome::PortFailed);
    EXPECT_EQ(h.prompter.messageTexts(), QStringList({"Invalid COM PORT"}));
    EXPECT_EQ(w.statusText(),
              "\nNot connected: /dev/vamrick-absent-2: No such file or directory.\n");
    for (QAction* a : {w.com1Action, w.com2Action, w.com3Action, w.com4Action})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_FALSE(w.usbAction->isEnabled()) << "a failed Com2 attempt leaves USB disabled";
    EXPECT_FALSE(w.currentDataButton->isEnabled());
    EXPECT_EQ(w.statusBox->text(), "ECU Off-Line");
}

TEST_F(ConnectionTest, FirmwareAbove309ShowsTheO2TestAndMode6) {
    const std::tuple<const char*, double, bool> cases[] = {{"3.10", 3.1, true},
                                                           {"3.09", 3.09, false}};
    for (const auto& [firmware, version, newer] : cases) {
        sim::Profile profile = sim::Profile::defaults();
        profile.firmware = firmware;
        MainWindowHarness fresh(profile);
        fresh.simulatorPorts = {1};
        fresh.window->load();
        fresh.window->com1Action->trigger();
        EXPECT_EQ(fresh.window->firmwareCaption->text(), QStringLiteral("F/W: V") + firmware);
        EXPECT_DOUBLE_EQ(fresh.state.link.FirmwareVersion, version);
        EXPECT_EQ(!fresh.window->o2TestButton->isHidden(), newer) << firmware;
        EXPECT_EQ(fresh.window->onBoardTestsAction->isEnabled(), newer) << firmware;
    }
}

TEST_F(ConnectionTest, AFirmwareReplyThatIsNoAnswerShowsNoVersion) {
    // Markers and noise where the identification should be: nothing is made of them.
    for (const sim::Fault fault :
         {sim::Fault::EcuTimeout, sim::Fault::OutOfStepS, sim::Fault::Garbage}) {
        MainWindowHarness fresh;
        fresh.simulatorPorts = {1};
        fresh.window->load();
        fresh.simulator.injectFault(fault, 1, "9001");
        fresh.window->com1Action->trigger();
        EXPECT_EQ(fresh.window->firmwareCaption->text(), "F/W: (no answer)")
            << sim::faultName(fault).toStdString();
        EXPECT_FALSE(fresh.window->onBoardTestsAction->isEnabled());
        EXPECT_EQ(fresh.window->statusBox->text(), "ECU Connected") << "the survey still runs";
        EXPECT_EQ(fresh.window->session().link().unanswered(), 1);
    }
    MainWindowHarness stray;
    stray.simulatorPorts = {1};
    stray.window->load();
    stray.simulator.injectFault(sim::Fault::ExtraLeadingS, 1, "9001");
    stray.window->com1Action->trigger();
    EXPECT_EQ(stray.window->firmwareCaption->text(), "F/W: V4.00")
        << "a stray leading S is stepped over";
}

TEST_F(ConnectionTest, TheChooserPicksCom7OrClosesWithoutAPick) {
    Outcome outcome = connectWhile(scan::Entry::ComX, [this] { w.portChooser()->close(); });
    EXPECT_EQ(outcome, Outcome::Cancelled);
    EXPECT_FALSE(w.session().link().busy());
    EXPECT_TRUE(w.com5to9Action->isEnabled());
    EXPECT_EQ(w.statusBox->text(), "ECU Off-Line");

    outcome = connectWhile(scan::Entry::ComX, [this] {
        ASSERT_TRUE(w.portChooserVisible());
        EXPECT_EQ(w.portChooser()->windowTitle(), "User Defined COM Port Selection");
        EXPECT_FALSE(w.portChooser()->com7Option->isChecked());
        w.portChooser()->com7Option->click();
    });
    EXPECT_EQ(outcome, Outcome::Connected);
    EXPECT_EQ(h.state.link.ComPortNumber, 7);
    EXPECT_EQ(w.statusBox->text(), "ECU Connected");
}

TEST_F(ConnectionTest, EscapeOrClosingTheWindowEndsTheWaitForAnUnreachableVehicle) {
    h.simulator.setReachable(false);
    w.session().connection().setReadyWaitLimit(
        std::chrono::seconds(10)); // a safety net, should Escape fail
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QElapsedTimer elapsed;
    elapsed.start();
    Outcome outcome = connectWhile(scan::Entry::Com1, [this] {
        EXPECT_EQ(w.session().connectScanTool(scan::Entry::Com4), Outcome::Busy);
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    EXPECT_EQ(outcome, Outcome::Cancelled);
    EXPECT_LT(elapsed.elapsed(), 3000);
    EXPECT_EQ(w.statusBox->text(), "ECU Off-Line");
    EXPECT_EQ(w.statusColour(), QColor(255, 0, 0));
    EXPECT_EQ(w.statusText(), "\nNot connected: the connection was cancelled.\n");
    EXPECT_TRUE(h.prompter.messages.empty());

    h.simulator.setReachable(true);
    w.com1Action->trigger();
    EXPECT_EQ(w.statusBox->text(), "ECU Connected") << "the stop ended with its operation";
    EXPECT_EQ(w.firmwareCaption->text(), "F/W: V4.00");

    h.simulator.setReachable(false);
    elapsed.restart();
    outcome = connectWhile(scan::Entry::Com2, [this] { w.close(); });
    EXPECT_EQ(outcome, Outcome::Cancelled);
    EXPECT_LT(elapsed.elapsed(), 3000);
}

TEST_F(ConnectionTest, ChangeEcuSendsNextEcuEvenWhenTheVehicleIsUnreachable) {
    w.com1Action->trigger();
    ASSERT_EQ(h.simulator.currentEcu(), "10");
    h.simulator.setReachable(false);
    w.changeEcuButton->click();
    EXPECT_EQ(h.simulator.currentEcu(), "D0");
    EXPECT_EQ(w.changeEcuButton->text(), "Toggle ECU");
    EXPECT_FALSE(w.changeEcuButton->isChecked());
    EXPECT_EQ(w.statusColour(), QColor(255, 255, 0));
    EXPECT_TRUE(w.statusText().startsWith(
        "\nThe survey was interrupted: the scan tool cannot reach the vehicle.\n"));

    h.simulator.setReachable(true);
    w.changeEcuButton->click();
    EXPECT_EQ(h.simulator.currentEcu(), "18");
}

} // namespace

TEST_F(ConnectionTest, OverUsbTheSurveyCodesAndFreezeFrameWorkAndExitWaitsTwoSeconds) {
    QTimer::singleShot(0, &w, [this] {
        EXPECT_EQ(w.statusWindow->toPlainText(), "Please verify that the device is attached...\n");
    });
    w.usbAction->trigger();
    EXPECT_EQ(w.firmwareCaption->text(), "F/W: V4.00");
    EXPECT_GT(w.dataList->count(), 10);
    EXPECT_FALSE(w.usbAction->isEnabled());
    EXPECT_FALSE(w.com5to9Action->isEnabled());
    EXPECT_TRUE(w.o2TestButton->isVisibleTo(&w));
    w.readTroubleCodes();
    EXPECT_TRUE(w.statusWindow->toPlainText().contains("TC1 -P0300"));
    w.readFreezeFrame();
    EXPECT_TRUE(w.statusWindow->toPlainText().contains("Freeze Frame T.C. -P0300"));
    EXPECT_TRUE(h.prompter.messageTexts().isEmpty())
        << h.prompter.messageTexts().join("\n").toStdString();

    // Unplugged: off-line, and the USB entry is offered again.
    h.usb->unplug();
    EXPECT_EQ(w.statusBox->text(), "ECU Off-Line");
    EXPECT_TRUE(w.usbAction->isEnabled());

    QSignalSpy exit(&w, &app::MainWindow::exitRequested);
    w.close();
    ASSERT_EQ(exit.count(), 1);
    EXPECT_EQ(exit.front().front().value<std::chrono::milliseconds>(), std::chrono::seconds(2));
}

TEST_F(ConnectionTest, EscapeEndsTheWaitForAUsbScanToolAndLeavesTheEntriesUsable) {
    h.usbDevice = {0x1234, 0x5678}; // not the scan tool looked for
    w.session().connection().setReadyWaitLimit(std::chrono::seconds(10)); // should Escape fail
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(connectWhile(scan::Entry::USB, [this] { QTest::keyClick(&w, Qt::Key_Escape); }),
              Outcome::Cancelled);
    EXPECT_LT(elapsed.elapsed(), 3000);
    EXPECT_TRUE(w.usbAction->isEnabled());
    EXPECT_TRUE(w.com1Action->isEnabled());
    EXPECT_FALSE(w.currentDataButton->isEnabled());

    w.session().connection().setReadyWaitLimit(std::chrono::milliseconds(300));
    EXPECT_EQ(w.session().connectScanTool(scan::Entry::USB), Outcome::Cancelled);
    EXPECT_EQ(w.session().connection().failureReason(), "no USB scan tool 16C0:05DC is attached");
}
