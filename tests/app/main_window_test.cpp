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
    void SetUp() override { w.Form_Load(); }

    MainWindowHarness h;
    app::MainWindow& w = *h.window;
};

TEST_F(MainWindowTest, StartsOffLineWithServicesLocked) {
    EXPECT_EQ(w.objectName(), "frmMain");
    EXPECT_EQ(w.Text1->text(), "ECU Off-Line");
    EXPECT_EQ(w.statusColour(), QColor(255, 0, 0));
    for (QPushButton* b : {w.Mode1, w.Mode2, w.Mode3, w.Mode4, w.Mode5, w.ChangeECU})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(w.Mode5->isHidden());
    for (QAction* a :
         {w.mnuDataLogLog, w.mnuMode6, w.mnuAF, w.mnuFTM, w.mnuWBO2, w.mnuConnectionCom1,
          w.mnuConnectionCom2, w.mnuConnectionCom3, w.mnuConnectionCom4})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    for (QAction* a :
         {w.mnuUSB, w.mnuConnectionComX, w.mnuUnitsEnglish, w.mnuUnitsMetric, w.mnuDebugMode})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(w.mnuCom->isEnabled());
    EXPECT_FALSE(h.state.link.DebugMode);
    EXPECT_EQ(h.state.survey.WBO2PID, "0");
    EXPECT_TRUE(h.prompter.messages.empty());
    EXPECT_EQ(w.findChild<QLabel*>("statusHint")->text(),
              "Choose the scan tool's port in the Connection menu.");
    EXPECT_TRUE(w.mnuUnitsEnglish->isChecked());
    EXPECT_FALSE(w.mnuDebugMode->isChecked());
    EXPECT_EQ(w.mnuConnectionCom2->statusTip(),
              "Connect to the scan tool on /dev/vamrick-absent-2.");
}

TEST(MainWindowStartUpTest, MissingDefinitionsShowTwoErrorsAndTheWindowStillStarts) {
    MainWindowHarness h;
    QFile::remove(h.dir.filePath("troublecode.tcf"));
    h.window->Form_Load();
    EXPECT_EQ(h.window->List2->model()->rowCount(), 0);
    EXPECT_TRUE(h.window->List2->isHidden());
    ASSERT_EQ(h.prompter.messages.size(), 2u);
    EXPECT_EQ(h.prompter.messages[0].title, "Error");
    EXPECT_EQ(h.window->Text1->text(), "ECU Off-Line");
    EXPECT_TRUE(h.window->mnuConnectionComX->isEnabled());
}

TEST_F(MainWindowTest, OptionsToggleWithACheckMarkTheUnitsAreRememberedAndHelpSaysWhatThisIs) {
    w.mnuDebugMode->trigger();
    EXPECT_TRUE(h.state.link.DebugMode);
    EXPECT_TRUE(w.mnuDebugMode->isChecked());
    w.mnuDebugMode->trigger();
    EXPECT_FALSE(h.state.link.DebugMode);
    EXPECT_FALSE(w.mnuDebugMode->isChecked());
    EXPECT_EQ(h.prompter.messageTexts(),
              QStringList({"Debug Mode is turned ON", "Debug Mode is turned OFF"}));

    w.mnuUnitsMetric->trigger();
    w.mnuUnitsMetric->trigger();
    EXPECT_TRUE(h.state.decoder.MetricUnits);
    EXPECT_TRUE(w.mnuUnitsMetric->isChecked());
    EXPECT_EQ(h.prompter.messages.size(), 2u);
    {
        MainWindowHarness next;
        next.window->Form_Load();
        EXPECT_TRUE(next.state.decoder.MetricUnits) << "the window remembers the units";
    }
    w.mnuUnitsEnglish->trigger();
    EXPECT_FALSE(h.state.decoder.MetricUnits);
    EXPECT_FALSE(w.mnuUnitsMetric->isChecked());
    EXPECT_FALSE(app::savedMetricUnits());

    w.mnuAbout->trigger();
    EXPECT_EQ(h.prompter.messages.back().title, "About Vamrick");
    EXPECT_TRUE(h.prompter.messages.back().text.contains("(GPL-3.0-or-later)"));
}

TEST_F(MainWindowTest, PrintSendsFreeTextStatusTextThenEveryDataLine) {
    w.Text2->setText("1FTEST123");
    w.setStatusText("\r\nMIL is OFF\r\n");
    w.List1->addItems({"Engine RPM ------------- 1726RPM", "Speed ------------------ 30MPH"});
    QTest::mouseClick(w.Command2, Qt::LeftButton);
    EXPECT_EQ(h.printer.printed,
              QStringList({"1FTEST123", "\nMIL is OFF\n", "Engine RPM ------------- 1726RPM",
                           "Speed ------------------ 30MPH"}));
    EXPECT_TRUE(h.prompter.messages.empty());
}

TEST_F(MainWindowTest, WithoutAPrinterThePageCanBeSavedAsAPdf) {
    h.printer.available = false;
    w.Command2_Click();
    EXPECT_TRUE(h.printer.printed.isEmpty()) << "declined";
    h.prompter.answers = {true};
    h.prompter.fileNames = {"/tmp/page.pdf"};
    w.Command2_Click();
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
    EXPECT_TRUE(w.Command1->focusPolicy() & Qt::TabFocus);
    w.textECU->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.textECU->hasFocus(); }));
    EXPECT_FALSE(w.Command1->focusPolicy() & Qt::TabFocus);
    EXPECT_FALSE(w.Text2->focusPolicy() & Qt::TabFocus);

    QTest::keyClick(w.textECU, Qt::Key_Tab);
    EXPECT_EQ(w.statusText(), "\t");
    EXPECT_TRUE(w.textECU->hasFocus());

    w.Text2->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Text2->hasFocus(); }));
    EXPECT_TRUE(w.Command1->focusPolicy() & Qt::TabFocus);
    EXPECT_TRUE(w.Text2->focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(w.Text1->focusPolicy(), Qt::NoFocus);
}

TEST_F(MainWindowTest, ExitEndsAtOnceOnSerial) {
    QSignalSpy exits(&w, &app::MainWindow::exitRequested);
    w.show();
    QTest::mouseClick(w.Command1, Qt::LeftButton);
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
