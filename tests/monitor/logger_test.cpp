// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/log_file.h"
#include "monitor/records.h"
#include "monitor/settings_file.h"
#include "monitor/triggers.h"
#include "support/main_window_harness.h"
#include "support/qt_printers.h"
#include "support/simulated_link.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>

using monitor::StartCondition;
using monitor::Trigger;

namespace {

TEST(LogFileTest, RecordsAsASpreadsheetReadsThem) {
    EXPECT_EQ(monitor::plainNumber(0.1), "0.1");
    EXPECT_EQ(monitor::plainNumber(16383.75), "16383.75");
    EXPECT_EQ(monitor::plainNumber(1e20), "100000000000000000000") << "never an exponent";
    EXPECT_EQ(monitor::plainNumber(-0.0), "0");

    monitor::LogSamples samples;
    samples.intervalText = "0.100";
    samples.startTime = QTime(14, 3, 7);
    samples.descriptions = {"Engine RPM ------------- ", "Speed ------------------ "};
    samples.values = {{1726.0, 61.0}, {std::nullopt, 0.0}, {1726.5, 61.0}};
    samples.elapsed = {0.1, 0.25, 1.5};
    EXPECT_EQ(monitor::logFileText(samples, QDate(2026, 12, 6)),
              "\"Sample Rate Setting=0.100\"\r\n\"Start Time:14:03:07\"\r\n"
              "\"Date of Log:2026-12-06\"\r\n\"Engine RPM ------------- ,\"\r\n"
              "\"Speed ------------------ ,\"\r\n\"Elapsed Time\"\r\n"
              "1726,61,0.1\r\n,0,0.25\r\n1726.5,61,1.5\r\n");
}

// A small window with one control of each saved kind, two of them an array.
struct Form : QWidget {
    Form() {
        auto* layout = new QVBoxLayout(this);
        for (QWidget* w : {static_cast<QWidget*>(text), static_cast<QWidget*>(option),
                           static_cast<QWidget*>(check), static_cast<QWidget*>(list),
                           static_cast<QWidget*>(combo[0]), static_cast<QWidget*>(combo[1])})
            layout->addWidget(w);
        text->setObjectName("Text2");
        option->setObjectName("Option3");
        check->setObjectName("Check1");
        list->setObjectName("List1");
        for (int i = 0; i < 2; ++i) {
            combo[i]->setObjectName("Combo");
            combo[i]->setProperty("index", i);
            combo[i]->addItems({"None", "Speed", "RPM"});
        }
    }
    QLineEdit* text = new QLineEdit;
    QRadioButton* option = new QRadioButton;
    QCheckBox* check = new QCheckBox;
    QListWidget* list = new QListWidget;
    QComboBox* combo[2] = {new QComboBox, new QComboBox};
};

// A disk with room for only 4096 bytes more: the process's file size limit, its signal ignored
// so that writes past it fail as on a full disk.
TEST(LogFileTest, AFullDiskLeavesTheOldFileAsItWasAndSaysSo) {
    QTemporaryDir dir;
    const QString path = dir.filePath("run.log");
    QString error;
    ASSERT_TRUE(monitor::writeWholeFile(path, "old log\r\n", error));
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{4096, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    // A write cut short, and a tail that fails only when it leaves the buffer.
    for (const qsizetype size : {100000, 4097}) {
        error.clear();
        EXPECT_FALSE(monitor::writeWholeFile(path, QByteArray(size, 'x'), error)) << size;
        EXPECT_FALSE(error.isEmpty()) << size;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(writtenLines(path), QStringList({"old log"}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"run.log"})) << "no leftovers";
}

TEST(SettingsFileTest, ControlsComeBackByNameAndArrayIndex) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/Settings.dat");
    Form saved;
    saved.text->setText("0.250");
    saved.option->setChecked(true);
    saved.check->setChecked(true);
    saved.list->addItems({"a", "b, \"c\""});
    saved.list->setCurrentRow(1);
    saved.combo[0]->setCurrentIndex(2);
    saved.combo[1]->setCurrentIndex(1);
    QString error;
    ASSERT_TRUE(monitor::SaveFormData(saved, path, error)) << error.toStdString();

    ScriptedPrompter prompter;
    Form restored;
    EXPECT_FALSE(monitor::LoadFormData(restored, path, prompter));
    EXPECT_EQ(restored.text->text(), "0.250");
    EXPECT_TRUE(restored.option->isChecked());
    EXPECT_TRUE(restored.check->isChecked());
    EXPECT_EQ(restored.list->count(), 2);
    EXPECT_EQ(restored.list->currentItem()->text(), "b, \"c\"")
        << "a quote spoils nothing after it";
    EXPECT_EQ(restored.combo[0]->currentIndex(), 2);
    EXPECT_EQ(restored.combo[1]->currentIndex(), 1);
    EXPECT_TRUE(prompter.messages.empty());

    EXPECT_FALSE(monitor::LoadFormData(restored, dir.filePath("missing.dat"), prompter));
    QFile foreign(dir.filePath("foreign.dat"));
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write("\"Some other program\"\r\nText2\r\n\"x\"\r\n#NULL#\r\n");
    foreign.close();
    EXPECT_TRUE(monitor::LoadFormData(restored, foreign.fileName(), prompter));
    EXPECT_EQ(restored.text->text(), "0.250") << "nothing is changed";
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "File is not a  Data File");
    EXPECT_EQ(prompter.messages[0].title, "Error reading file");
}

TEST(TriggerTest, TheStartConditionWaitsForOneOrBothTriggers) {
    std::optional<double> speed = 40, rpm = std::nullopt;
    const monitor::TriggerInputs inputs{[] { return QTime(10, 15); }, [&] { return speed; },
                                        [&] { return rpm; }};
    const Trigger none, minute15{Trigger::Kind::SystemTime, 15}, speed50{Trigger::Kind::Speed, 50},
        speed30{Trigger::Kind::Speed, 30}, rpm1000{Trigger::Kind::Rpm, 1000};
    using C = StartCondition::Combination;
    const std::tuple<StartCondition, bool> cases[] = {
        {{none, none, C::None}, true},     {{minute15, none, C::None}, true},
        {{speed50, none, C::None}, false}, {{speed30, none, C::None}, true},
        {{rpm1000, none, C::None}, false}, {{speed30, rpm1000, C::And}, false},
        {{speed30, rpm1000, C::Or}, true}, {{speed50, minute15, C::Or}, true},
        {{speed50, none, C::And}, false},  {{none, speed30, C::Or}, true},
    };
    for (const auto& [condition, holds] : cases)
        EXPECT_EQ(condition.holds(inputs), holds)
            << int(condition.first.kind) << int(condition.second.kind)
            << int(condition.combination);
    rpm = 1000;
    EXPECT_TRUE((StartCondition{speed30, rpm1000, C::And}.holds(inputs))) << "rpm at the threshold";
    rpm = 9000;
    EXPECT_FALSE((StartCondition{speed50, none, C::None}.holds(inputs))) << "speed not by rpm";
    speed = 50;
    EXPECT_TRUE((StartCondition{speed50, none, C::None}.holds(inputs))) << "speed at the threshold";
}

TEST(TriggerTest, AThresholdIsAWholeNumberWithinTheRangeOfItsKind) {
    using K = Trigger::Kind;
    const std::tuple<K, const char*, std::optional<int>> cases[] = {
        {K::SystemTime, "0", 0},     {K::SystemTime, "59", 59},   {K::SystemTime, "60", {}},
        {K::SystemTime, "58.6", 59}, {K::SystemTime, "59.6", {}}, {K::Speed, " 120 ", 120},
        {K::Speed, "121", {}},       {K::Speed, "-1", {}},        {K::Rpm, "12000", 12000},
        {K::Rpm, "12001", {}},       {K::Rpm, "zz", {}},          {K::Rpm, "", {}},
        {K::Rpm, "1e3", 1000},       {K::Speed, "inf", {}},
    };
    for (const auto& [kind, text, accepted] : cases)
        EXPECT_EQ(monitor::thresholdRange(kind).accept(text), accepted) << text;
}

// The logger window over a vehicle whose engine speed and speed hold still.
class DataLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.simulatorPorts = {1};
        w.load();
        w.com1Action->trigger();
        w.dataLoggerAction->trigger();
        ASSERT_TRUE(log().isVisible());
    }
    monitor::DataLogWindow& log() { return *w.tools().dataLogWindow(); }
    void run(std::map<int, std::function<void()>> onSample) {
        h.clickCounting(log().startButton, "010C07", std::move(onSample));
    }

    MainWindowHarness h{vehicleWith({{0x0C, bytes({0x1A, 0xF8})},
                                     {0x0D, bytes({100})},
                                     {0x2F, bytes({128})},
                                     {0x30, bytes({5})},
                                     {0x31, bytes({1, 0})},
                                     {0x33, bytes({100})}})};
    app::MainWindow& w = *h.window;
};

TEST_F(DataLogTest, ATwoItemLogIsWrittenWhenSaveEndsTheRun) {
    log().twoItems->click();
    log().intervalBox->setText("0");
    const QString path = h.dir.filePath("run.log");
    h.prompter.fileNames = {path};
    run({{3, [this] { log().saveButton->click(); }}});
    const QStringList lines = writtenLines(path);
    ASSERT_EQ(lines.size(), 6 + 3) << "the records themselves are checked with the file";
    for (int n = 6; n < 9; ++n)
        EXPECT_TRUE(lines[n].startsWith("1726,61,")) << lines[n].toStdString();
    EXPECT_EQ(log().itemValues[0]->text(), " 1726 RPM");
    EXPECT_TRUE(log().isVisible()) << "Save leaves the logger open";
    EXPECT_FALSE(w.session().link().busy());
}

TEST_F(DataLogTest, QuitWritesTheLogSavesTheChoicesAndTheyComeBack) {
    log().sixItems->click();
    log().itemChoices[5]->setCurrentIndex(0);
    log().intervalBox->setText("0.200");
    const QString path = h.dir.filePath("six.log");
    h.prompter.fileNames = {path};
    run({{3, [this] { log().quitButton->click(); }}}); // item 6 is engine speed too: two a sample
    const QStringList lines = writtenLines(path);
    ASSERT_EQ(lines.size(), 3 + 6 + 1 + 2);
    EXPECT_EQ(lines.back().count(','), 6) << "six numbers and the elapsed time";
    EXPECT_FALSE(log().isVisible());
    EXPECT_TRUE(w.isVisible());
    const QStringList first = lines[10].split(',');
    EXPECT_GE(first.last().toDouble(), 0.1) << "the first sample at about 0.1 s";
    const double apart = lines[11].split(',').last().toDouble() - first.last().toDouble();
    EXPECT_TRUE(apart > 0.15 && apart <= 0.5) << apart;

    w.dataLoggerAction->trigger();
    EXPECT_EQ(log().intervalBox->text(), "0.200");
    EXPECT_EQ(log().itemChoices[5]->currentIndex(), 0) << "items come back by description";
}

TEST_F(DataLogTest, AnEmptyItemOrAnIntervalThatIsNoNumberIsRefusedAndQuitKeepsTheChoices) {
    log().itemChoices[3]->setCurrentIndex(-1);
    log().startButton->click();
    EXPECT_TRUE(h.prompter.messageTexts().last().startsWith("Choose the items to log first"));
    log().itemChoices[3]->setCurrentIndex(3);
    log().intervalBox->setText("abc");
    log().startButton->click();
    EXPECT_EQ(h.prompter.messageTexts().last(),
              "The sample interval must be a number of seconds, 0 or more (e.g. 0.100).");
    EXPECT_FALSE(w.session().link().busy());
    log().intervalBox->setText("0.300");
    log().quitButton->click();
    w.dataLoggerAction->trigger();
    EXPECT_EQ(log().intervalBox->text(), "0.300") << "saved without a run";
}

TEST_F(DataLogTest, AFailedWriteKeepsTheSamplesUntilTheyAreWrittenOrDiscarded) {
    log().twoItems->click();
    log().intervalBox->setText("0");
    const QString path = h.dir.filePath("kept.log");
    h.prompter.fileNames = {h.dir.filePath("no/such/folder/x.log"), path};
    h.prompter.answers = {true};
    run({{2, [this] { log().saveButton->click(); }}});
    ASSERT_EQ(h.prompter.questions.size(), 1u);
    EXPECT_TRUE(h.prompter.questions[0].text.startsWith("The log of 2 samples is not saved: "));
    EXPECT_EQ(writtenLines(path).size(), 6 + 2);
}

TEST_F(DataLogTest, ARunEndsAtTheCapOf17999Samples) {
    monitor::PollingRun run(w.session().link());
    monitor::LogSamples samples;
    EXPECT_EQ(w.session().dataLogger().log(run, {}, "0", samples, {}, 20000),
              monitor::PollingRun::End::Limit);
    EXPECT_EQ(samples.values.size(), 17999u);
}

TEST_F(DataLogTest, APauseLeavesAGapInTheElapsedTimes) {
    log().twoItems->click();
    log().intervalBox->setText("0");
    const QString path = h.dir.filePath("gap.log");
    h.prompter.fileNames = {path};
    run({{2,
          [this] {
              log().pauseButton->click();
              QTimer::singleShot(600, log().pauseButton, &QPushButton::click);
          }},
         {3, [this] { log().saveButton->click(); }}});
    const QStringList lines = writtenLines(path);
    ASSERT_EQ(lines.size(), 6 + 3);
    const double gap =
        lines[8].split(',').last().toDouble() - lines[7].split(',').last().toDouble();
    EXPECT_GE(gap, 0.55);
}

} // namespace
