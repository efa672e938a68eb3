// SPDX-License-Identifier: GPL-3.0-or-later
#include "data_log_window.h"

#include "ui/widgets.h"

#include "settings_file.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace monitor {

using ui::named;

DataLogWindow::DataLogWindow(DataLogger& logger, LogState& state, obd::SurveyState& survey,
                             core::Prompter& prompter, scan::OperationRunner& operations,
                             QString settingsPath, QWidget* parent)
    : QWidget(parent, Qt::Window), logger_(logger), state_(state), survey_(survey),
      prompter_(prompter), operations_(operations), settingsPath_(std::move(settingsPath)) {
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

    triggers = new TriggerEntry(state_, prompter_);

    Command1 = named(new QPushButton(QStringLiteral("Start Log")), QStringLiteral("Command1"));
    Command2 = named(new QPushButton(QStringLiteral("Pause")), QStringLiteral("Command2"));
    Command3 = named(new QPushButton(QStringLiteral("Save")), QStringLiteral("Command3"));
    Cancel = named(new QPushButton(QStringLiteral("QUIT")), QStringLiteral("Cancel"));
    Label7 = named(new QLabel, QStringLiteral("Label7"));
    connect(Command1, &QPushButton::clicked, this, &DataLogWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &DataLogWindow::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &DataLogWindow::Command3_Click);
    connect(Cancel, &QPushButton::clicked, this, &DataLogWindow::Cancel_Click);
    connect(triggers, &TriggerEntry::asking, Command1, &QWidget::setDisabled);
    ui::onEscape(this, [this] {
        triggers->stopPrompt();
        operations_.stop();
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
    triggers->restoreThresholds();
    state_.LogItemCount = 4;
    Option2->setChecked(true);
    triggers->paintChoices(Qt::white);
    for (QComboBox* combo : cboRTD)
        combo->setEnabled(true);
}

void DataLogWindow::mnuHelp_Click() {
    prompter_.message(
        {QStringLiteral("Select number of items to log, 2,4,5 or 6.  Default is 4.  Trigger is "
                        "optional. If Sample time too small the log will be as fast as the "
                        "vehicle will allow")});
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
    LogSamples samples;
    if (!operations_.run(QStringLiteral("Logging the vehicle data"),
                         [&] { samples = record(items); }))
        return;
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
    if (state_.LogSavedFlag) {
        state_.LogSavedFlag = false;
        return;
    }
    leave();
}

LogSamples DataLogWindow::record(const QList<LogItem>& items) {
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
    PollingRun run(operations_.link());
    run_ = &run;
    LogSamples samples;
    if (logger_.waitForStart(run, triggers->startCondition()) == PollingRun::End::Done) {
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
    return samples;
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
    triggers->clear();
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
