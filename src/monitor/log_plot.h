// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "log_file.h"

#include <QList>
#include <QPointF>
#include <QSize>
#include <QString>

#include <vector>

class QChart;
class QImage;

namespace monitor {

// One logged item as the log viewer draws it: every sample scaled into 0-100 % of the item's
// own range, in runs of answered samples; an unanswered sample ends a run and leaves a gap.
struct PlotItem {
    QString label; // "Engine RPM (750 - 3200)"
    double minimum = 0;
    double maximum = 0;
    std::vector<QList<QPointF>> runs; // x: elapsed seconds, y: percent of the range
};

std::vector<PlotItem> plotItems(const LogSamples& samples);

// The chart of every item against elapsed time on a shared, unlabelled 0-100 % axis: one
// series per run, one legend entry per item in the item's colour.
QChart* logChart(const std::vector<PlotItem>& items);

// The item's real value at `seconds`: the last sample at or before it; nothing in a gap.
std::optional<double> valueAt(const LogSamples& samples, qsizetype item, double seconds);

// The chart drawn into a picture of `size`, without a window.
QImage plotPicture(const std::vector<PlotItem>& items, QSize size);

} // namespace monitor
