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

    StripChart* iStripChartX1;
    QLabel* lblValText;
    QLineEdit* txbValue;
    QRadioButton* optFlag; // hidden: set, it ends the loop
    QPushButton* Stop1;
    QPushButton* cmdFreeze;
    QPushButton* cmdShowHideToolbar;
    QPushButton* cmdResetChart;
    QPushButton* cmdClearData;

    void Stop1_Click();
    void cmdFreeze_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void show(const RealtimeFrame& frame, double seconds);

    RealtimeDisplay& display_;
    scan::OperationRunner& operations_;
};

} // namespace monitor
