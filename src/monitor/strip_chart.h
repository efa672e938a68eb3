// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"

#include <QPointF>
#include <QWidget>

#include <deque>

class QAction;
class QChart;
class QChartView;
class QLineSeries;
class QToolBar;
class QValueAxis;

namespace monitor {

// A strip chart of one channel against elapsed seconds. The X axis shows a ten-second window
// that scrolls as points arrive; only the newest points are kept (about a minute at the scan
// tool's full speed), so memory stays flat however long it runs. Its toolbar pauses the drawing
// (points keep coming in) and saves a picture.
class StripChart : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxPoints = 2000;

    explicit StripChart(core::Prompter& prompter, QWidget* parent = nullptr);

    // One green channel "Channel 1", X 0..10 "Elapsed Time - Seconds", Y 0..255 "Voltage".
    void setUp();
    void setYRange(double lower, double upper);
    void setYTitle(const QString& title);
    QString yTitle() const;
    void addPoint(double seconds, double value);
    void clearData();
    // Clears the data and puts the X axis back to its start.
    void reset();
    void setToolbarVisible(bool visible);
    bool toolbarVisible() const;

    int pointCount() const { return int(points_.size()); }
    const std::deque<QPointF>& points() const { return points_; }

    QToolBar* toolbar;
    QAction* pauseDrawing;
    QAction* saveImage;

private:
    void redraw();
    // The Y axis shows the bounds asked for, widened to every kept point: no value is drawn off
    // the chart.
    void fitY();
    void saveImageAs();

    core::Prompter& prompter_;
    QChartView* view_;
    QLineSeries* series_;
    QValueAxis* xAxis_;
    QValueAxis* yAxis_;
    std::deque<QPointF> points_;
    double lower_ = 0;
    double upper_ = 255;
};

} // namespace monitor
