// SPDX-License-Identifier: GPL-3.0-or-later
#include "data_log_window.h"

#include "core/named.h"

#include "core/number_text.h"
#include "link/event_pump.h"
#include "settings_file.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <cmath>

namespace monitor {

using core::named;

namespace {

void paint(QComboBox* combo, const QColor& colour) {
    QPalette palette = combo->palette();
    palette.setColor(QPalette::Button, colour);
    palette.setColor(QPalette::Base, colour);
    combo->setPalette(palette);
}

const QStringList kTriggerChoices = {QStringLiteral("None"), QStringLiteral("System Time"),
                                     QStringLiteral("Speed"), QStringLiteral("RPM")};

} // namespace

DataLogWindow::DataLogWindow(DataLogger& logger, LogState& state, obd::SurveyState& survey,
                             core::Prompter& prompter, QString settingsPath, QWidget* parent)
    : QWidget(parent, Qt::Window), logger_(logger), state_(state), survey_(survey),
      prompter_(prompter), settingsPath_(std::move(settingsPath)) {
    setObjectName(QStringLiteral("DataLog"));
    setWindowTitle(QStringLiteral("Vamrick Data Logger"));
    buildControls();
}

void DataLogWindow::buildControls() {
    auto* menu = new QMenuBar(this);
    mnuHelp = menu->addAction(QStringLiteral("Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    connect(mnuHelp, &QAction::triggered, this, &DataLogWindow::mnuHelp_Click);

    auto* items = new QGridLayout;
    for (int i = 0; i < 6; ++i) {
        cboRTD[i] = named(new QComboBox, QStringLiteral("cboRTD"));
        cboRTD[i]->setProperty("index", i);
        cboRTD[i]->setModel(&survey_.DataLogItems);
        cboRTD[i]->setMinimumContentsLength(24);
        DisplayName[i] = named(new QLineEdit, QStringLiteral("Display%1_name").arg(i + 1));
        DisplayValue[i] = named(new QLineEdit, QStringLiteral("Display%1_value").arg(i + 1));
        DisplayName[i]->setReadOnly(true);
        DisplayValue[i]->setReadOnly(true);
        items->addWidget(cboRTD[i], i, 0);
        items->addWidget(DisplayName[i], i, 1);
        items->addWidget(DisplayValue[i], i, 2);
        connect(cboRTD[i], &QComboBox::currentIndexChanged, this, [this, i](int index) {
            state_.LogItemLine[i] = index; // -1: the list is empty
            for (int k = 0; k < 6; ++k) {
                DisplayName[k]->clear();
                DisplayValue[k]->clear();
            }
        });
    }

    auto* count = new QHBoxLayout;
    count->addWidget(new QLabel(QStringLiteral("Items to log:")));
    QRadioButton** options[] = {&Option1, &Option2, &Option3, &Option4};
    const int counts[] = {2, 4, 5, 6};
    for (int i = 0; i < 4; ++i) {
        *options[i] = named(new QRadioButton(QString::number(counts[i])),
                            QStringLiteral("Option%1").arg(i + 1));
        connect(*options[i], &QRadioButton::toggled, this, [this, n = counts[i]](bool on) {
            if (on)
                state_.LogItemCount = n;
        });
        count->addWidget(*options[i]);
    }
    count->addStretch(1);
    count->addWidget(new QLabel(QStringLiteral("Sample Time Interval Sec.")));
    Text2 = named(new QLineEdit(QStringLiteral("0.100")), QStringLiteral("Text2"));
    Text2->setMaximumWidth(80);
    count->addWidget(Text2);

    auto* triggers = new QGroupBox(
        QStringLiteral("LOG TRIGGERS ------- Starts LOG when Trigger condition is true"));
    auto* grid = new QGridLayout(triggers);
    Combo1 = named(new QComboBox, QStringLiteral("Combo1"));
    Combo2 = named(new QComboBox, QStringLiteral("Combo2"));
    Combo3 = named(new QComboBox, QStringLiteral("Combo3"));
    Combo1->addItems(kTriggerChoices);
    Combo2->addItems(kTriggerChoices);
    Combo3->addItems({QStringLiteral("AND"), QStringLiteral("OR")});
    for (QComboBox* combo : {Combo1, Combo2, Combo3})
        combo->setCurrentIndex(-1);
    txtTRIG1 = named(new QLineEdit, QStringLiteral("txtTRIG1"));
    txtTRIG2 = named(new QLineEdit, QStringLiteral("txtTRIG2"));
    lblTRIG = named(new QLabel, QStringLiteral("lblTRIG"));
    txtTRIG = named(new QLineEdit, QStringLiteral("txtTRIG"));
    cmdTRIG = named(new QPushButton(QStringLiteral("ENTER")), QStringLiteral("cmdTRIG"));
    grid->addWidget(Combo1, 0, 0);
    grid->addWidget(txtTRIG1, 0, 1);
    grid->addWidget(Combo3, 0, 2);
    grid->addWidget(Combo2, 0, 3);
    grid->addWidget(txtTRIG2, 0, 4);
    grid->addWidget(lblTRIG, 1, 0, 1, 2);
    grid->addWidget(txtTRIG, 1, 2, 1, 2);
    grid->addWidget(cmdTRIG, 1, 4);
    for (QWidget* w : {static_cast<QWidget*>(lblTRIG), static_cast<QWidget*>(txtTRIG),
                       static_cast<QWidget*>(cmdTRIG)})
        w->hide();
    connect(Combo1, &QComboBox::activated, this,
            [this] { enterTrigger(Combo1, txtTRIG1, state_.Trigger1Value); });
    connect(Combo2, &QComboBox::activated, this,
            [this] { enterTrigger(Combo2, txtTRIG2, state_.Trigger2Value); });
    connect(Combo3, &QComboBox::activated, this, [this] { paint(Combo3, QColor(0, 255, 0)); });
    connect(cmdTRIG, &QPushButton::clicked, this, [this] { state_.TriggerEntered = true; });
    connect(txtTRIG, &QLineEdit::returnPressed, cmdTRIG, &QPushButton::click);

    Command1 = named(new QPushButton(QStringLiteral("Start Log")), QStringLiteral("Command1"));
    Command2 = named(new QPushButton(QStringLiteral("Pause")), QStringLiteral("Command2"));
    Command3 = named(new QPushButton(QStringLiteral("Save")), QStringLiteral("Command3"));
    Cancel = named(new QPushButton(QStringLiteral("QUIT")), QStringLiteral("Cancel"));
    Label7 = named(new QLabel, QStringLiteral("Label7"));
    connect(Command1, &QPushButton::clicked, this, &DataLogWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &DataLogWindow::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &DataLogWindow::Command3_Click);
    connect(Cancel, &QPushButton::clicked, this, &DataLogWindow::Cancel_Click);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, [this] {
        prompt_.request_stop();
        logger_.link().cancel();
    });
    Command2->setEnabled(false);
    Command3->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Label7, 1);
    for (QPushButton* b : {Command1, Command2, Command3, Cancel})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menu);
    layout->addLayout(items);
    layout->addLayout(count);
    layout->addWidget(triggers);
    layout->addLayout(buttons);
}

void DataLogWindow::Form_Load() {
    for (int i = 0; i < 6; ++i)
        cboRTD[i]->setCurrentIndex(i < survey_.DataLogItems.rowCount() ? i : -1);
    LoadFormData(*this, settingsPath_, prompter_);
    // Items come back by their description, so that another car's list never picks a wrong one.
    for (int i = 0; i < 6; ++i) {
        if (!DisplayName[i]->text().isEmpty())
            cboRTD[i]->setCurrentIndex(cboRTD[i]->findText(DisplayName[i]->text()));
    }
    // Restored trigger choices bring back their thresholds without asking again.
    state_.Trigger1Value = int(core::leadingNumber(txtTRIG1->text()));
    state_.Trigger2Value = int(core::leadingNumber(txtTRIG2->text()));
    state_.TriggerEntered = false;
    state_.LogItemCount = 4;
    Option2->setChecked(true);
    paintCombos(Qt::white);
    for (QComboBox* combo : cboRTD)
        combo->setEnabled(true);
}

void DataLogWindow::paintCombos(const QColor& colour) {
    for (QComboBox* combo : {Combo1, Combo2, Combo3})
        paint(combo, colour);
}

void DataLogWindow::mnuHelp_Click() {
    prompter_.message(
        {QStringLiteral("Select number of items to log, 2,4,5 or 6.  Default is 4.  Trigger is "
                        "optional. If Sample time too small the log will be as fast as the "
                        "vehicle will allow")});
}

std::optional<int> DataLogWindow::askThreshold(Trigger::Kind kind) {
    const ThresholdRange range = thresholdRange(kind);
    lblTRIG->setText(QLatin1String(range.prompt));
    txtTRIG->clear();
    prompt_ = std::stop_source();
    scan::EventPump pump;
    for (;;) {
        txtTRIG->setFocus();
        state_.TriggerEntered = false;
        if (scan::waitUntil([this] { return state_.TriggerEntered; }, scan::Deadline::never(),
                            prompt_.get_token(), [&pump] { pump.pump(); }) != scan::WaitEnd::Met)
            return std::nullopt;
        if (const std::optional<int> value = range.accept(txtTRIG->text()))
            return value;
        prompter_.message({QLatin1String(range.outOfRange)});
        txtTRIG->setText(QStringLiteral("00"));
    }
}

void DataLogWindow::enterTrigger(QComboBox* combo, QLineEdit* shown, int& value) {
    lblTRIG->show();
    txtTRIG->show();
    cmdTRIG->show();
    for (QWidget* w : {static_cast<QWidget*>(Combo1), static_cast<QWidget*>(Combo2),
                       static_cast<QWidget*>(Combo3), static_cast<QWidget*>(Command1)})
        w->setEnabled(false);
    shown->setReadOnly(false);
    const auto kind = Trigger::Kind(std::max(combo->currentIndex(), 0));
    if (kind != Trigger::Kind::None) {
        if (const std::optional<int> entered = askThreshold(kind))
            value = *entered;
    }
    paint(combo, QColor(0, 255, 0));
    shown->setText(QString::number(value));
    shown->setReadOnly(true);
    for (QWidget* w : {static_cast<QWidget*>(Combo1), static_cast<QWidget*>(Combo2),
                       static_cast<QWidget*>(Combo3), static_cast<QWidget*>(Command1)})
        w->setEnabled(true);
    lblTRIG->hide();
    txtTRIG->hide();
    cmdTRIG->hide();
}

StartCondition DataLogWindow::startCondition() const {
    StartCondition condition;
    condition.first = {Trigger::Kind(std::max(Combo1->currentIndex(), 0)), state_.Trigger1Value};
    condition.second = {Trigger::Kind(std::max(Combo2->currentIndex(), 0)), state_.Trigger2Value};
    condition.combination = Combo3->currentIndex() < 0    ? StartCondition::Combination::None
                            : Combo3->currentIndex() == 0 ? StartCondition::Combination::And
                                                          : StartCondition::Combination::Or;
    return condition;
}

QList<LogItem> DataLogWindow::chosenItems() const {
    QList<LogItem> items;
    for (int i = 0; i < state_.LogItemCount; ++i) {
        const int line = state_.LogItemLine[i];
        if (line >= 0 && line < survey_.PIDCount)
            items << LogItem{survey_.LinePID[line], cboRTD[i]->itemText(line)};
    }
    return items;
}

void DataLogWindow::Command1_Click() {
    if (running_ || logger_.link().busy()) {
        QApplication::beep();
        return;
    }
    bool number = false;
    const double interval = Text2->text().trimmed().toDouble(&number);
    if (!number || !std::isfinite(interval) || interval < 0) {
        prompter_.message({QStringLiteral("The sample interval must be a number of seconds, 0 or "
                                          "more (e.g. 0.100).")});
        return;
    }
    const QList<LogItem> items = chosenItems();
    if (items.size() != state_.LogItemCount) {
        prompter_.message({QStringLiteral("Choose the items to log first: the vehicle data list "
                                          "has no line for some of them.")});
        return;
    }
    running_ = true;
    Label7->setText(QStringLiteral("Waiting for Trigger"));
    state_.LogSavedFlag = false;
    state_.TriggerEntered = false;
    Command2->setEnabled(true);
    Command3->setEnabled(true);
    Command1->setEnabled(false);
    for (int i = 0; i < 6; ++i) {
        DisplayName[i]->setText(cboRTD[i]->currentText());
        cboRTD[i]->setEnabled(false);
    }

    PollingRun run(logger_.link());
    run_ = &run;
    LogSamples samples;
    if (logger_.waitForStart(run, startCondition()) == PollingRun::End::Done) {
        for (int beep = 0; beep < 3; ++beep)
            QApplication::beep();
        Label7->setText(QStringLiteral("RUNNING"));
        logger_.log(run, items, Text2->text(), samples, [this](const QList<obd::Reading>& read) {
            for (int i = 0; i < read.size(); ++i)
                DisplayValue[i]->setText(read[i].answered()
                                             ? read[i].value + QLatin1Char(' ') + read[i].units
                                             : QStringLiteral("No answer"));
        });
    }
    run_ = nullptr;
    Label7->setText(QStringLiteral("STOPPED"));
    Command1->setEnabled(false);
    Command1->setText(QStringLiteral("Recording"));
    if (samples.count() > 0)
        saveLog(samples);
    Command1->setEnabled(true);
    Command1->setText(QStringLiteral("Start Log"));
    Command2->setText(QStringLiteral("Pause"));
    Command2->setEnabled(false);
    Command3->setEnabled(false);
    for (QComboBox* combo : cboRTD)
        combo->setEnabled(true);
    running_ = false;
    if (state_.LogSavedFlag) {
        state_.LogSavedFlag = false;
        return;
    }
    leave();
}

void DataLogWindow::saveLog(const LogSamples& samples) {
    saveAskingAgain(prompter_, logFileText(samples, QDate::currentDate()), samples.count());
}

void DataLogWindow::Command2_Click() {
    const bool pause = Command2->text() == QLatin1String("Pause");
    Command2->setText(pause ? QStringLiteral("RESTART") : QStringLiteral("Pause"));
    if (run_)
        pause ? run_->pause() : run_->resume();
}

void DataLogWindow::Command3_Click() {
    state_.LogSavedFlag = true;
    Command2->setText(QStringLiteral("Pause"));
    Command2->setEnabled(false);
    Command3->setEnabled(false);
    if (run_) {
        run_->resume();
        run_->stop();
    }
}

void DataLogWindow::Cancel_Click() {
    prompt_.request_stop();
    paintCombos(Qt::white);
    for (QComboBox* combo : {Combo1, Combo2, Combo3})
        combo->setCurrentIndex(-1);
    txtTRIG1->clear();
    txtTRIG2->clear();
    if (run_) {
        // The run writes its log, saves the settings and leaves the window as it ends.
        run_->resume();
        run_->stop();
        hide();
        return;
    }
    leave();
}

// The choices are kept however the window is left.
void DataLogWindow::leave() {
    QString error;
    if (!SaveFormData(*this, settingsPath_, error))
        prompter_.message({QStringLiteral("The logger's settings could not be saved in %1: %2")
                               .arg(settingsPath_, error)});
    hide();
    emit closed();
}

void DataLogWindow::closeEvent(QCloseEvent* event) {
    // The title bar's close is QUIT: a hidden logger must not go on unseen.
    Cancel_Click();
    event->accept();
}

} // namespace monitor
