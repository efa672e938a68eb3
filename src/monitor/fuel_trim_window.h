// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"
#include "fuel_trim_monitor.h"
#include "link/operation_runner.h"
#include "polling_run.h"

#include <QWidget>

#include <array>

class QLabel;
class QPushButton;
class QRadioButton;

namespace monitor {

// frmFuel_Trim: the short and long term fuel trims of both banks, live while the window shows.
class FuelTrimWindow : public QWidget {
    Q_OBJECT
public:
    FuelTrimWindow(FuelTrimMonitor& monitor, core::Prompter& prompter,
                   scan::OperationRunner& operations, QWidget* parent = nullptr);

    // Shows the window and refreshes the supported trims until EXIT (or the title bar's close,
    // Escape, a lost scan tool), then hides it. A vehicle without fuel trims is told so instead.
    void monitorFuelTrims();
    void stop(); // EXIT

    QLabel* heading;                                // Label5
    std::array<QLabel*, kFuelTrimCount> trimLabels; // Label1 .. Label4
    QPushButton* exitButton;                        // Command1
    QRadioButton* stopOption; // Option1, hidden: clicked, it stops the monitor too

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    FuelTrimMonitor& monitor_;
    core::Prompter& prompter_;
    scan::OperationRunner& operations_;
    bool stopRequested_ = false;
};

} // namespace monitor
