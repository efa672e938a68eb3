// SPDX-License-Identifier: GPL-3.0-or-later
#include "strip_chart.h"

#include "log_file.h"

#include <QAction>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QToolBar>
#include <QVBoxLayout>

#include <QValueAxis>
#include <algorithm>

namespace monitor {

namespace {
constexpr double kWindowSeconds = 10;
} // namespace

StripChart::StripChart(core::Prompter& prompter, QWidget* parent)
    : QWidget(parent), prompter_(prompter) {
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("Vamrick Real Time Plot"));
    chart->legend()->setVisible(true);
    series_ = new QLineSeries;
    chart->addSeries(series_);
    xAxis_ = new QValueAxis;
    yAxis_ = new QValueAxis;
    chart->addAxis(xAxis_, Qt::AlignBottom);
    chart->addAxis(yAxis_, Qt::AlignLeft);
    series_->attachAxis(xAxis_);
    series_->attachAxis(yAxis_);
    view_ = new QChartView(chart);
    view_->setRenderHint(QPainter::Antialiasing);

    toolbar = new QToolBar;
    toolbar->setObjectName(QStringLiteral("chartToolbar"));
    pauseDrawing = toolbar->addAction(QStringLiteral("Pause Drawing"));
    pauseDrawing->setCheckable(true);
    connect(pauseDrawing, &QAction::toggled, this, [this](bool paused) {
        pauseDrawing->setText(paused ? QStringLiteral("Resume Drawing")
                                     : QStringLiteral("Pause Drawing"));
        if (!paused)
            redraw();
    });
    saveImage = toolbar->addAction(QStringLiteral("Save Image..."));
    connect(saveImage, &QAction::triggered, this, &StripChart::saveImageAs);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolbar);
    layout->addWidget(view_, 1);
    setUp();
}

void StripChart::setUp() {
    series_->setName(QStringLiteral("Channel 1"));
    series_->setColor(QColor(0, 255, 0));
    xAxis_->setRange(0, kWindowSeconds);
    xAxis_->setTitleText(QStringLiteral("Elapsed Time - Seconds"));
    setYRange(0, 255);
    setYTitle(QStringLiteral("Voltage"));
}

void StripChart::setYRange(double lower, double upper) {
    lower_ = lower;
    upper_ = upper;
    fitY();
}

void StripChart::fitY() {
    double lower = lower_, upper = upper_;
    for (const QPointF& point : points_) {
        lower = std::min(lower, point.y());
        upper = std::max(upper, point.y());
    }
    if (lower != yAxis_->min() || upper != yAxis_->max())
        yAxis_->setRange(lower, upper);
}

void StripChart::setYTitle(const QString& title) {
    yAxis_->setTitleText(title);
}

QString StripChart::yTitle() const {
    return yAxis_->titleText();
}

void StripChart::addPoint(double seconds, double value) {
    points_.emplace_back(seconds, value);
    if (int(points_.size()) > kMaxPoints)
        points_.pop_front();
    if (seconds > xAxis_->max())
        xAxis_->setRange(seconds - kWindowSeconds, seconds);
    fitY();
    if (pauseDrawing->isChecked())
        return;
    series_->append(points_.back());
    // The series is trimmed in steps, so that appending stays cheap.
    if (series_->count() > kMaxPoints + kMaxPoints / 10)
        series_->removePoints(0, series_->count() - kMaxPoints);
}

void StripChart::redraw() {
    series_->replace(QList<QPointF>(points_.begin(), points_.end()));
}

void StripChart::clearData() {
    points_.clear();
    series_->clear();
}

void StripChart::reset() {
    clearData();
    xAxis_->setRange(0, kWindowSeconds);
}

void StripChart::setToolbarVisible(bool visible) {
    toolbar->setVisible(visible);
}

bool StripChart::toolbarVisible() const {
    return !toolbar->isHidden();
}

void StripChart::saveImageAs() {
    const QString file =
        prompter_.fileName({QStringLiteral("Save Image"), QStringLiteral("PNG images (*.png)")});
    if (file.isEmpty())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    QString error = QStringLiteral("the picture could not be made");
    if (!buffer.open(QIODevice::WriteOnly) || !view_->grab().save(&buffer, "PNG") ||
        !writeWholeFile(file, png, error))
        prompter_.message(
            {QStringLiteral("The picture could not be saved as %1: %2.").arg(file, error)});
}

} // namespace monitor
