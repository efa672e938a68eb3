// SPDX-License-Identifier: GPL-3.0-or-later
#include "log_viewer_window.h"

#include "log_file.h"
#include "records.h"
#include "ui/widgets.h"

#include <QFile>
#include <QFileInfo>
#include <QGraphicsLineItem>
#include <QKeyEvent>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMenuBar>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace monitor {

LogChartView::LogChartView(QWidget* parent) : QChartView(parent) {
    setRubberBand(QChartView::HorizontalRubberBand);
    setRenderHint(QPainter::Antialiasing);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void LogChartView::showLog(const LogSamples& samples, const std::vector<PlotItem>& items) {
    samples_ = &samples;
    QChart* old = chart();
    setChart(logChart(items));
    delete old;
    cursor_ = new QGraphicsLineItem;
    cursor_->setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    cursor_->setZValue(10);
    cursor_->hide();
    scene()->addItem(cursor_);
}

void LogChartView::placeCursor(double seconds) {
    if (!samples_ || !cursor_)
        return;
    const QRectF area = chart()->plotArea();
    const double x = chart()->mapToPosition({seconds, 0}).x();
    if (x < area.left() || x > area.right()) {
        cursor_->hide();
        return;
    }
    cursor_->setLine(x, area.top(), x, area.bottom());
    cursor_->show();
    QStringList values{QStringLiteral("%1 s").arg(seconds, 0, 'f', 2)};
    for (qsizetype i = 0; i < samples_->descriptions.size(); ++i) {
        const std::optional<double> value = valueAt(*samples_, i, seconds);
        values << itemLabel(samples_->descriptions[i]) + QStringLiteral(": ") +
                      (value ? plainNumber(*value) : QStringLiteral("no answer"));
    }
    emit cursorRead(values.join(QStringLiteral("   ")));
}

void LogChartView::wheelEvent(QWheelEvent* event) {
    chart()->zoom(event->angleDelta().y() > 0 ? 1.25 : 0.8);
    event->accept();
}

void LogChartView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Home) {
        chart()->zoomReset();
        event->accept();
        return;
    }
    QChartView::keyPressEvent(event);
}

void LogChartView::mouseMoveEvent(QMouseEvent* event) {
    placeCursor(chart()->mapToValue(chart()->mapFromScene(mapToScene(event->pos()))).x());
    QChartView::mouseMoveEvent(event);
}

LogViewerWindow::LogViewerWindow(core::Prompter& prompter, QWidget* parent)
    : QWidget(parent, Qt::Window), prompter_(prompter) {
    setObjectName(QStringLiteral("frmLogViewer"));
    setWindowTitle(QStringLiteral("Log Viewer"));
    chartView = ui::named(new LogChartView, QStringLiteral("chvLog"));
    readout = ui::named(new QLabel, QStringLiteral("lblCursor"));
    readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary = ui::named(
        new QLabel(QStringLiteral("Open a data log file to draw it (File, Open Log...).")),
        QStringLiteral("lblLogSummary"));
    connect(chartView, &LogChartView::cursorRead, readout, &QLabel::setText);

    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open Log..."), QKeySequence::Open, this,
                    &LogViewerWindow::chooseLog);
    file->addAction(QStringLiteral("&Save as PNG..."), QKeySequence::Save, this,
                    &LogViewerWindow::savePicture);
    file->addAction(QStringLiteral("&Close"), QKeySequence::Close, this, &QWidget::close);
    auto* hint = new QLabel(QStringLiteral("Drag across the chart to zoom into that time, the "
                                           "wheel zooms, Home shows it all; click a legend entry "
                                           "to switch its item off or on."));
    hint->setWordWrap(true);

    auto* column = new QVBoxLayout(this);
    column->setMenuBar(bar);
    column->addWidget(summary);
    column->addWidget(chartView, 1);
    column->addWidget(readout);
    column->addWidget(hint);
    resize(1000, 640);
}

bool LogViewerWindow::open(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        prompter_.message({QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()),
                           QStringLiteral("Log Viewer"), core::Prompter::Icon::Warning});
        return false;
    }
    LogReading reading = readLog(file.readAll());
    if (!reading.samples) {
        prompter_.message({QStringLiteral("%1 is not a data log (%2).")
                               .arg(QFileInfo(path).fileName(), reading.error),
                           QStringLiteral("Log Viewer"), core::Prompter::Icon::Warning});
        return false;
    }
    reading_ = std::move(reading);
    chartView->showLog(*reading_.samples, plotItems(*reading_.samples));
    for (QLegendMarker* marker : chartView->chart()->legend()->markers())
        connect(marker, &QLegendMarker::clicked, this,
                [this, marker] { toggleItem(marker->label()); });
    QString text = QStringLiteral("%1: %2 samples of %3 items")
                       .arg(QFileInfo(path).fileName())
                       .arg(reading_.samples->count())
                       .arg(reading_.samples->descriptions.size());
    if (reading_.skipped)
        text += QStringLiteral("; %1 record cut off at the end was skipped").arg(reading_.skipped);
    summary->setText(text);
    readout->clear();
    setWindowTitle(QStringLiteral("Log Viewer - ") + QFileInfo(path).fileName());
    return true;
}

void LogViewerWindow::chooseLog() {
    const QString path = prompter_.fileName(
        {QStringLiteral("Open Log"), QStringLiteral("Log Files (*.log);;All Files (*)"), false});
    if (!path.isEmpty())
        open(path);
}

void LogViewerWindow::savePicture() {
    QString path =
        prompter_.fileName({QStringLiteral("Save as PNG"), QStringLiteral("PNG images (*.png)")});
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    if (!chartView->grab().save(path, "PNG"))
        prompter_.message({QStringLiteral("The picture could not be written to %1.").arg(path),
                           QStringLiteral("Log Viewer"), core::Prompter::Icon::Warning});
}

void LogViewerWindow::toggleItem(const QString& label) {
    for (QAbstractSeries* series : chartView->chart()->series()) {
        if (series->name() == label)
            series->setVisible(!series->isVisible());
    }
    // A hidden series hides its legend entry as well: keep the item's first one to switch back.
    bool first = true;
    for (QLegendMarker* marker : chartView->chart()->legend()->markers()) {
        if (marker->label() != label)
            continue;
        marker->setVisible(first);
        first = false;
    }
}

} // namespace monitor
