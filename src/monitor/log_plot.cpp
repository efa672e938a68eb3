// SPDX-License-Identifier: GPL-3.0-or-later
#include "log_plot.h"

#include "log_reader.h"
#include "records.h"

#include <QChart>
#include <QGraphicsScene>
#include <QImage>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace monitor {

std::vector<PlotItem> plotItems(const LogSamples& samples) {
    std::vector<PlotItem> items;
    for (qsizetype i = 0; i < samples.descriptions.size(); ++i) {
        PlotItem item;
        bool any = false;
        for (const auto& values : samples.values) {
            if (const std::optional<double> value = values[std::size_t(i)]) {
                item.minimum = any ? std::min(item.minimum, *value) : *value;
                item.maximum = any ? std::max(item.maximum, *value) : *value;
                any = true;
            }
        }
        const double range = item.maximum - item.minimum;
        QList<QPointF> run;
        for (int n = 0; n < samples.count(); ++n) {
            const std::optional<double> value = samples.values[std::size_t(n)][std::size_t(i)];
            if (!value) {
                if (!run.isEmpty())
                    item.runs.push_back(std::exchange(run, {}));
                continue;
            }
            // A value that never changes sits in the middle.
            const double percent = range > 0 ? (*value - item.minimum) / range * 100 : 50;
            run.append({samples.elapsed[std::size_t(n)], percent});
        }
        if (!run.isEmpty())
            item.runs.push_back(run);
        item.label = itemLabel(samples.descriptions[i]) +
                     (any ? QStringLiteral(" (%1 - %2)")
                                .arg(plainNumber(item.minimum), plainNumber(item.maximum))
                          : QStringLiteral(" (no answer)"));
        items.push_back(std::move(item));
    }
    return items;
}

std::optional<double> valueAt(const LogSamples& samples, qsizetype item, double seconds) {
    const auto after = std::upper_bound(samples.elapsed.begin(), samples.elapsed.end(), seconds);
    if (after == samples.elapsed.begin())
        return std::nullopt;
    return samples.values[std::size_t(after - samples.elapsed.begin() - 1)][std::size_t(item)];
}

QChart* logChart(const std::vector<PlotItem>& items) {
    auto* chart = new QChart;
    auto* time = new QValueAxis;
    time->setTitleText(QStringLiteral("Elapsed Time - Seconds"));
    auto* share = new QValueAxis;
    share->setRange(0, 100);
    share->setLabelsVisible(false);
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(share, Qt::AlignLeft);
    double end = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QColor colour =
            QColor::fromHsv(int(i * 360 / std::max<std::size_t>(items.size(), 1)), 220, 200);
        bool first = true;
        // An item without a single answer still gets its legend entry.
        const std::vector<QList<QPointF>> runs =
            items[i].runs.empty() ? std::vector<QList<QPointF>>{{}} : items[i].runs;
        for (const QList<QPointF>& points : runs) {
            auto* series = new QLineSeries;
            series->setName(items[i].label);
            series->setPen(QPen(colour, 1.5));
            series->replace(points);
            if (!points.isEmpty())
                end = std::max(end, points.last().x());
            chart->addSeries(series);
            series->attachAxis(time);
            series->attachAxis(share);
            for (QLegendMarker* marker : chart->legend()->markers(series))
                marker->setVisible(first);
            first = false;
        }
    }
    // The axis ends with the log; its ticks fall on round seconds, 1, 2 or 5 times a power of
    // ten apart, five to ten of them.
    end = end > 0 ? end : 1;
    time->setRange(0, end);
    double step = std::pow(10, std::floor(std::log10(end / 5)));
    for (const double factor : {2.0, 2.5, 2.0}) {
        if (end / step <= 10)
            break;
        step *= factor;
    }
    time->setTickType(QValueAxis::TicksDynamic);
    time->setTickAnchor(0);
    time->setTickInterval(step);
    time->setLabelFormat(step < 1 ? QStringLiteral("%.1f") : QStringLiteral("%.0f"));
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

QImage plotPicture(const std::vector<PlotItem>& items, QSize size) {
    QGraphicsScene scene;
    QChart* chart = logChart(items);
    scene.addItem(chart);
    chart->setGeometry(QRectF(QPointF(0, 0), size));
    QImage picture(size, QImage::Format_ARGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, QRectF(QPointF(0, 0), size), QRectF(QPointF(0, 0), size));
    return picture;
}

} // namespace monitor
