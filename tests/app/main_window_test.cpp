// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/dialog_prompter.h"
#include "support/main_window_harness.h"
#include "support/qt_printers.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { w.load(); }

    MainWindowHarness h;
    app::MainWindow& w = *h.window;
};

TEST_F(MainWindowTest, StartsOffLineWithServicesLocked) {
    EXPECT_EQ(w.objectName(), "frmMain");
    EXPECT_EQ(w.statusBox->text(), "ECU Off-Line");
    EXPECT_EQ(w.statusColour(), QColor(255, 0, 0));
    for (QPushButton* b : {w.currentDataButton, w.freezeFrameButton, w.troubleCodesButton,
                           w.clearCodesButton, w.o2TestButton, w.changeEcuButton})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(w.o2TestButton->isHidden());
    for (QAction* a : {w.dataLoggerAction, w.onBoardTestsAction, w.airFuelAction, w.fuelTrimAction,
                       w.wbo2LogAction, w.com1Action, w.com2Action, w.com3Action, w.com4Action})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    for (QAction* a : {w.usbAction, w.com5to9Action, w.englishUnitsAction, w.metricUnitsAction,
                       w.debugModeAction})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(w.connectionMenu->isEnabled());
    EXPECT_FALSE(h.state.link.DebugMode);
    EXPECT_EQ(h.state.survey.WBO2PID, "0");
    EXPECT_TRUE(h.prompter.messages.empty());
    EXPECT_EQ(w.findChild<QLabel*>("statusHint")->text(),
              "Choose the scan tool's port in the Connection menu.");
    EXPECT_TRUE(w.englishUnitsAction->isChecked());
    EXPECT_FALSE(w.debugModeAction->isChecked());
    EXPECT_EQ(w.com2Action->statusTip(), "Connect to the scan tool on /dev/vamrick-absent-2.");
}

TEST(MainWindowStartUpTest, MissingDefinitionsShowTwoErrorsAndTheWindowStillStarts) {
    MainWindowHarness h;
    QFile::remove(h.dir.filePath("troublecode.tcf"));
    h.window->load();
    EXPECT_EQ(h.window->definitionList->model()->rowCount(), 0);
    EXPECT_TRUE(h.window->definitionList->isHidden());
    ASSERT_EQ(h.prompter.messages.size(), 2u);
    EXPECT_EQ(h.prompter.messages[0].title, "Error");
    EXPECT_EQ(h.window->statusBox->text(), "ECU Off-Line");
    EXPECT_TRUE(h.window->com5to9Action->isEnabled());
}

TEST_F(MainWindowTest, OptionsToggleWithACheckMarkTheUnitsAreRememberedAndHelpSaysWhatThisIs) {
    w.debugModeAction->trigger();
    EXPECT_TRUE(h.state.link.DebugMode);
    EXPECT_TRUE(w.debugModeAction->isChecked());
    w.debugModeAction->trigger();
    EXPECT_FALSE(h.state.link.DebugMode);
    EXPECT_FALSE(w.debugModeAction->isChecked());
    EXPECT_EQ(h.prompter.messageTexts(),
              QStringList({"Debug Mode is turned ON", "Debug Mode is turned OFF"}));

    w.metricUnitsAction->trigger();
    w.metricUnitsAction->trigger();
    EXPECT_TRUE(h.state.decoder.MetricUnits);
    EXPECT_TRUE(w.metricUnitsAction->isChecked());
    EXPECT_EQ(h.prompter.messages.size(), 2u);
    {
        MainWindowHarness next;
        next.window->load();
        EXPECT_TRUE(next.state.decoder.MetricUnits) << "the window remembers the units";
    }
    w.englishUnitsAction->trigger();
    EXPECT_FALSE(h.state.decoder.MetricUnits);
    EXPECT_FALSE(w.metricUnitsAction->isChecked());
    EXPECT_FALSE(app::savedMetricUnits());

    w.aboutAction->trigger();
    EXPECT_EQ(h.prompter.messages.back().title, "About Vamrick");
    EXPECT_TRUE(h.prompter.messages.back().text.contains("(GPL-3.0-or-later)"));
}

TEST_F(MainWindowTest, PrintSendsFreeTextStatusTextThenEveryDataLine) {
    w.notes->setText("1FTEST123");
    w.setStatusText("\r\nMIL is OFF\r\n");
    w.dataList->addItems({"Engine RPM ------------- 1726RPM", "Speed ------------------ 30MPH"});
    QTest::mouseClick(w.printButton, Qt::LeftButton);
    EXPECT_EQ(h.printer.printed,
              QStringList({"1FTEST123", "\nMIL is OFF\n", "Engine RPM ------------- 1726RPM",
                           "Speed ------------------ 30MPH"}));
    EXPECT_TRUE(h.prompter.messages.empty());
}

TEST_F(MainWindowTest, WithoutAPrinterThePageCanBeSavedAsAPdf) {
    h.printer.available = false;
    w.print();
    EXPECT_TRUE(h.printer.printed.isEmpty()) << "declined";
    h.prompter.answers = {true};
    h.prompter.fileNames = {"/tmp/page.pdf"};
    w.print();
    EXPECT_EQ(h.printer.pdf, "/tmp/page.pdf");
    EXPECT_TRUE(h.prompter.questions[0].text.startsWith("No printer is set up on this computer."));
}

// The real document: a PDF written whole, or nothing and the reason.
TEST(PrinterSinkTest, APdfIsWrittenWholeOrNotAtAll) {
    QTemporaryDir dir;
    app::PrinterSink sink;
    QString whyNot;
    const QStringList lines(200, "Engine RPM ------------- 1726RPM"); // more than a page
    ASSERT_TRUE(sink.print(lines, dir.filePath("page.pdf"), whyNot)) << whyNot.toStdString();
    QFile pdf(dir.filePath("page.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray document = pdf.readAll();
    EXPECT_TRUE(document.startsWith("%PDF") && document.trimmed().endsWith("%%EOF"));
    EXPECT_FALSE(sink.print(lines, dir.filePath("no/folder/page.pdf"), whyNot));
    EXPECT_TRUE(whyNot.startsWith(dir.filePath("no/folder/page.pdf") + " could not be written ("));
}

TEST_F(MainWindowTest, TabTypesIntoTheStatusWindowWhileItHasTheFocus) {
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_TRUE(w.exitButton->focusPolicy() & Qt::TabFocus);
    w.statusWindow->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.statusWindow->hasFocus(); }));
    EXPECT_FALSE(w.exitButton->focusPolicy() & Qt::TabFocus);
    EXPECT_FALSE(w.notes->focusPolicy() & Qt::TabFocus);

    QTest::keyClick(w.statusWindow, Qt::Key_Tab);
    EXPECT_EQ(w.statusText(), "\t");
    EXPECT_TRUE(w.statusWindow->hasFocus());

    w.notes->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.notes->hasFocus(); }));
    EXPECT_TRUE(w.exitButton->focusPolicy() & Qt::TabFocus);
    EXPECT_TRUE(w.notes->focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(w.statusBox->focusPolicy(), Qt::NoFocus);
}

TEST_F(MainWindowTest, ExitEndsAtOnceOnSerial) {
    QSignalSpy exits(&w, &app::MainWindow::exitRequested);
    w.show();
    QTest::mouseClick(w.exitButton, Qt::LeftButton);
    ASSERT_EQ(exits.size(), 1);
    EXPECT_EQ(exits[0][0].value<std::chrono::milliseconds>(), std::chrono::milliseconds(0));
    EXPECT_FALSE(w.isVisible());
}

// The real save dialog: a name typed without an extension gets the filter's.
TEST(DialogPrompterTest, ANameWithoutAnExtensionGetsTheFiltersOne) {
    QTemporaryDir dir;
    app::DialogPrompter prompter;
    for (const auto& [typed, saved] : {std::pair{"run", "run.log"}, {"run.txt", "run.txt"}}) {
        QTimer::singleShot(0, [&dir, typed = typed] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            dialog->selectFile(dir.filePath(typed));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        EXPECT_EQ(prompter.fileName({"Save Log", "OBD-II log files (*.log);;All files (*)"}),
                  dir.filePath(saved));
    }
}

} // namespace
