// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/operation_runner.h"
#include "polling_run.h"
#include "realtime_display.h"
#include "strip_chart.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace monitor {

// Chart: the real-time display of one item. display() runs the live loop until STOP (or Freeze,
// the title bar's close, Escape) and returns; the stop is looked at before each pass.
class ChartWindow : public QWidget {
    Q_OBJECT
public:
    ChartWindow(RealtimeDisplay& display, core::Prompter& prompter,
                scan::OperationRunner& operations, QWidget* parent = nullptr);

    // Shows the item live as the operation `what`; nothing while another operation runs.
    void display(int code, const DisplayItem& item, const QString& what);

    StripChart* stripChart;     // iStripChartX1
    QLabel* valueCaption;       // lblValText
    QLineEdit* valueBox;        // txbValue
    QRadioButton* stopFlag;     // optFlag, hidden: set, it ends the loop
    QPushButton* stopButton;    // Stop1
    QPushButton* freezeButton;  // cmdFreeze
    QPushButton* toolbarButton; // cmdShowHideToolbar
    QPushButton* resetButton;   // cmdResetChart
    QPushButton* clearButton;   // cmdClearData

    void stop();
    void freeze();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void show(const RealtimeFrame& frame, double seconds);

    RealtimeDisplay& display_;
    scan::OperationRunner& operations_;
};

} // namespace monitor
