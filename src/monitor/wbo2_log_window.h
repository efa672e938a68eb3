// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/operation_runner.h"
#include "log_state.h"
#include "wbo2_log.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace monitor {

// WRO2_Sensor_Log, "Wide Band O2 Sensor Lambda Meter": lambda, air/fuel ratio and engine speed
// about ten times a second, recorded while it runs and written to a log file when it stops.
class Wbo2LogWindow : public QWidget {
    Q_OBJECT
public:
    Wbo2LogWindow(Wbo2Log& logger, LogState& state, core::Prompter& prompter,
                  scan::OperationRunner& operations, QWidget* parent = nullptr);

    void load();
    void start();
    void stop();
    void quit(); // EXIT: a run under way ends after its pass
    // Lets a test run a short log; the window's own limit is 17,999 samples.
    void setSampleLimit(int limit) { limit_ = limit; }

    QLineEdit* lambdaBox;      // Display1_value
    QLineEdit* lambdaCaption;  // Display1_name
    QLineEdit* airFuelBox;     // Display2_value
    QLineEdit* airFuelCaption; // Display2_name
    QLineEdit* rpmBox;         // Text2
    QLineEdit* rpmCaption;     // Text1
    QLabel* runState;          // Label2
    QPushButton* startButton;  // Command1
    QPushButton* stopButton;   // Command2
    QPushButton* exitButton;   // Cancel

signals:
    // The window was left: the main window shows again.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void display(const Wbo2Shown& shown);
    void leave();

    Wbo2Log& logger_;
    LogState& state_;
    core::Prompter& prompter_;
    scan::OperationRunner& operations_;
    PollingRun* run_ = nullptr;
    int limit_ = Wbo2Log::kMaxSamples;
};

} // namespace monitor
