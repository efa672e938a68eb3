// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data_logger.h"
#include "link/operation_runner.h"
#include "log_state.h"
#include "obd/survey_state.h"
#include "trigger_entry.h"

#include <QWidget>

#include <array>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QAction;
class QPushButton;
class QRadioButton;

namespace monitor {

// DataLog, "Vamrick Data Logger": two to six items shown side by side and logged at a sample
// interval, optionally after start triggers; the log is written when the run ends. Its choices
// come back from Settings.dat every time it opens.
class DataLogWindow : public QWidget {
    Q_OBJECT
public:
    DataLogWindow(DataLogger& logger, LogState& state, obd::SurveyState& survey,
                  core::Prompter& prompter, scan::OperationRunner& operations, QString settingsPath,
                  QWidget* parent = nullptr);

    // Opening the window: the saved choices come back.
    void load();

    void startLog();
    void pauseOrRestart();
    // Ends the run under way and saves its log, staying in the window.
    void save();
    void quit();
    void showHelp();

    std::array<QComboBox*, 6> itemChoices; // each named cboRTD
    std::array<QLineEdit*, 6> itemNames;   // Display1_name .. Display6_name
    std::array<QLineEdit*, 6> itemValues;  // Display1_value .. Display6_value
    QRadioButton* twoItems;                // Option1 .. Option4
    QRadioButton* fourItems;
    QRadioButton* fiveItems;
    QRadioButton* sixItems;
    QLineEdit* intervalBox; // Text2
    TriggerEntry* triggers;
    QPushButton* startButton; // Command1
    QPushButton* pauseButton; // Command2
    QPushButton* saveButton;  // Command3
    QPushButton* quitButton;  // Cancel
    QLabel* runState;         // Label7
    QAction* helpAction;      // mnuHelp
    QAction* openLogAction;   // mnuOpenLog: a written log in the log viewer

signals:
    // The window was left: the main window shows again.
    void closed();
    // The user asked to look at a log file as a graph.
    void openLogRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    QList<LogItem> chosenItems() const;
    // Waits for the triggers and logs, showing each sample; the samples taken.
    LogSamples record(const QList<LogItem>& items);
    // Writes the log, asking again while it cannot be written; the samples go only when the user
    // says so.
    void saveLog(const LogSamples& samples);
    void leave();

    DataLogger& logger_;
    LogState& state_;
    obd::SurveyState& survey_;
    core::Prompter& prompter_;
    scan::OperationRunner& operations_;
    QString settingsPath_;
    PollingRun* run_ = nullptr;
};

} // namespace monitor
