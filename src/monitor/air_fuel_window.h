// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "air_fuel_meter.h"
#include "link/operation_runner.h"
#include "polling_run.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace monitor {

// Air_Fuel_Ratio: the air/fuel ratio from the wide-range O2 sensor and the engine speed, live
// from START until EXIT (or the title bar's close, Escape, a lost scan tool).
class AirFuelWindow : public QWidget {
    Q_OBJECT
public:
    AirFuelWindow(AirFuelMeter& meter, scan::OperationRunner& operations,
                  QWidget* parent = nullptr);

    // Opening the window: without a sensor it says so at once.
    void load();
    void start();
    void quit(); // EXIT: stops a run after its pass and unloads the window

    QLabel* heading;           // Label1
    QLineEdit* ratioBox;       // Text1
    QLineEdit* engineSpeedBox; // Text2
    QPushButton* startButton;  // Command1
    QPushButton* exitButton;   // Command2

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showIn(QLineEdit* box, const MeterText& text);
    void unload();

    AirFuelMeter& meter_;
    scan::OperationRunner& operations_;
    QFont digits_;
    QFont words_;
    bool running_ = false;
    bool stopRequest_ = false;
};

} // namespace monitor
