// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"
#include "log_plot.h"
#include "log_reader.h"

#include <QChartView>
#include <QWidget>

class QGraphicsLineItem;
class QLabel;

namespace monitor {

// The chart of a log: drag across it to zoom into that time, the wheel zooms, Home shows it all;
// a vertical cursor follows the mouse and says every item's value at its time.
class LogChartView : public QChartView {
    Q_OBJECT
public:
    explicit LogChartView(QWidget* parent = nullptr);

    // The samples the cursor reads; the chart must show them.
    void showLog(const LogSamples& samples, const std::vector<PlotItem>& items);
    // The cursor at `seconds`: its line and the readout of every shown item's value there.
    void placeCursor(double seconds);

signals:
    void cursorRead(const QString& readout);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    const LogSamples* samples_ = nullptr;
    QGraphicsLineItem* cursor_ = nullptr;
};

// "Log Viewer": a data log file drawn as a graph of every item against elapsed time.
class LogViewerWindow : public QWidget {
    Q_OBJECT
public:
    explicit LogViewerWindow(core::Prompter& prompter, QWidget* parent = nullptr);

    // Reads and draws the file; says why when it cannot.
    bool open(const QString& path);
    void chooseLog();   // Open Log...: the file asked for
    void savePicture(); // Save as PNG...: the chart as it is shown
    const LogReading& reading() const { return reading_; }

    LogChartView* chartView; // chvLog
    QLabel* readout;         // lblCursor: every item's value at the cursor
    QLabel* summary;         // lblLogSummary: the file, its samples, records skipped

private:
    // An item switched on or off from its legend entry: all its runs with it.
    void toggleItem(const QString& label);

    core::Prompter& prompter_;
    LogReading reading_;
};

} // namespace monitor
