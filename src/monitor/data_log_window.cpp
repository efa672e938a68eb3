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
    QMenu* help = menu->addMenu(QStringLiteral("Help"));
    helpAction = help->addAction(QStringLiteral("Help"));
    helpAction->setObjectName(QStringLiteral("mnuHelp"));
    connect(helpAction, &QAction::triggered, this, &DataLogWindow::showHelp);
    openLogAction = help->addAction(QStringLiteral("Open Log..."));
    openLogAction->setObjectName(QStringLiteral("mnuOpenLog"));
    connect(openLogAction, &QAction::triggered, this, &DataLogWindow::openLogRequested);

    auto* items = new QGridLayout;
    for (int i = 0; i < 6; ++i) {
        itemChoices[i] = named(new QComboBox, QStringLiteral("cboRTD"));
        itemChoices[i]->setProperty("index", i);
        itemChoices[i]->setModel(&survey_.DataLogItems);
        itemChoices[i]->setMinimumContentsLength(24);
        itemNames[i] = named(new QLineEdit, QStringLiteral("Display%1_name").arg(i + 1));
        itemValues[i] = named(new QLineEdit, QStringLiteral("Display%1_value").arg(i + 1));
        itemNames[i]->setReadOnly(true);
        itemValues[i]->setReadOnly(true);
        items->addWidget(itemChoices[i], i, 0);
        items->addWidget(itemNames[i], i, 1);
        items->addWidget(itemValues[i], i, 2);
        connect(itemChoices[i], &QComboBox::currentIndexChanged, this, [this, i](int index) {
            state_.LogItemLine[i] = index; // -1: the list is empty
            for (int k = 0; k < 6; ++k) {
                itemNames[k]->clear();
                itemValues[k]->clear();
            }
        });
    }

    auto* count = new QHBoxLayout;
    count->addWidget(new QLabel(QStringLiteral("Items to log:")));
    QRadioButton** options[] = {&twoItems, &fourItems, &fiveItems, &sixItems};
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
    intervalBox = named(new QLineEdit(QStringLiteral("0.100")), QStringLiteral("Text2"));
    intervalBox->setMaximumWidth(80);
    count->addWidget(intervalBox);

    triggers = new TriggerEntry(state_, prompter_);

    startButton = named(new QPushButton(QStringLiteral("Start Log")), QStringLiteral("Command1"));
    pauseButton = named(new QPushButton(QStringLiteral("Pause")), QStringLiteral("Command2"));
    saveButton = named(new QPushButton(QStringLiteral("Save")), QStringLiteral("Command3"));
    quitButton = named(new QPushButton(QStringLiteral("QUIT")), QStringLiteral("Cancel"));
    runState = named(new QLabel, QStringLiteral("Label7"));
    connect(startButton, &QPushButton::clicked, this, &DataLogWindow::startLog);
    connect(pauseButton, &QPushButton::clicked, this, &DataLogWindow::pauseOrRestart);
    connect(saveButton, &QPushButton::clicked, this, &DataLogWindow::save);
    connect(quitButton, &QPushButton::clicked, this, &DataLogWindow::quit);
    connect(triggers, &TriggerEntry::asking, startButton, &QWidget::setDisabled);
    ui::onEscape(this, [this] {
        triggers->stopPrompt();
        operations_.stop();
    });
    pauseButton->setEnabled(false);
    saveButton->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(runState, 1);
    for (QPushButton* b : {startButton, pauseButton, saveButton, quitButton})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menu);
    layout->addLayout(items);
    layout->addLayout(count);
    layout->addWidget(triggers);
    layout->addLayout(buttons);
}

void DataLogWindow::load() {
    for (int i = 0; i < 6; ++i)
        itemChoices[i]->setCurrentIndex(i < survey_.DataLogItems.rowCount() ? i : -1);
    LoadFormData(*this, settingsPath_, prompter_);
    // Items come back by their description, so that another car's list never picks a wrong one.
    for (int i = 0; i < 6; ++i) {
        if (!itemNames[i]->text().isEmpty())
            itemChoices[i]->setCurrentIndex(itemChoices[i]->findText(itemNames[i]->text()));
    }
    triggers->restoreThresholds();
    state_.LogItemCount = 4;
    fourItems->setChecked(true);
    triggers->paintChoices(Qt::white);
    for (QComboBox* combo : itemChoices)
        combo->setEnabled(true);
}

void DataLogWindow::showHelp() {
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
            items << LogItem{survey_.LinePID[line], itemChoices[i]->itemText(line)};
    }
    return items;
}

void DataLogWindow::startLog() {
    bool number = false;
    const double interval = intervalBox->text().trimmed().toDouble(&number);
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
    runState->setText(QStringLiteral("STOPPED"));
    startButton->setEnabled(false);
    startButton->setText(QStringLiteral("Recording"));
    if (samples.count() > 0)
        saveLog(samples);
    startButton->setEnabled(true);
    startButton->setText(QStringLiteral("Start Log"));
    pauseButton->setText(QStringLiteral("Pause"));
    pauseButton->setEnabled(false);
    saveButton->setEnabled(false);
    for (QComboBox* combo : itemChoices)
        combo->setEnabled(true);
    if (state_.LogSavedFlag) {
        state_.LogSavedFlag = false;
        return;
    }
    leave();
}

LogSamples DataLogWindow::record(const QList<LogItem>& items) {
    runState->setText(QStringLiteral("Waiting for Trigger"));
    state_.LogSavedFlag = false;
    state_.TriggerEntered = false;
    pauseButton->setEnabled(true);
    saveButton->setEnabled(true);
    startButton->setEnabled(false);
    for (int i = 0; i < 6; ++i) {
        itemNames[i]->setText(itemChoices[i]->currentText());
        itemChoices[i]->setEnabled(false);
    }
    PollingRun run(operations_.link());
    run_ = &run;
    LogSamples samples;
    if (logger_.waitForStart(run, triggers->startCondition()) == PollingRun::End::Done) {
        for (int beep = 0; beep < 3; ++beep)
            QApplication::beep();
        runState->setText(QStringLiteral("RUNNING"));
        logger_.log(
            run, items, intervalBox->text(), samples, [this](const QList<obd::Reading>& read) {
                for (int i = 0; i < read.size(); ++i)
                    itemValues[i]->setText(read[i].answered()
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

void DataLogWindow::pauseOrRestart() {
    const bool pause = pauseButton->text() == QLatin1String("Pause");
    pauseButton->setText(pause ? QStringLiteral("RESTART") : QStringLiteral("Pause"));
    if (run_)
        pause ? run_->pause() : run_->resume();
}

void DataLogWindow::save() {
    state_.LogSavedFlag = true;
    pauseButton->setText(QStringLiteral("Pause"));
    pauseButton->setEnabled(false);
    saveButton->setEnabled(false);
    if (run_) {
        run_->resume();
        run_->stop();
    }
}

void DataLogWindow::quit() {
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
    quit();
    event->accept();
}

} // namespace monitor
