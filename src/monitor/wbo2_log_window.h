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

    void Form_Load();
    void Command1_Click(); // Start
    void Command2_Click(); // Stop
    void Cancel_Click();   // EXIT
    // Lets a test run a short log; the window's own limit is 17,999 samples.
    void setSampleLimit(int limit) { limit_ = limit; }

    QLineEdit* Display1_value;
    QLineEdit* Display1_name;
    QLineEdit* Display2_value;
    QLineEdit* Display2_name;
    QLineEdit* Text2;
    QLineEdit* Text1;
    QLabel* Label2;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Cancel;

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
