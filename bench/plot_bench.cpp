// SPDX-License-Identifier: GPL-3.0-or-later
// The log viewer's drawing of the longest log the logger writes: 17,999 samples of six items,
// one item with gaps, read from its file and drawn into a 1200x600 picture as --plot does.

#include "monitor/log_file.h"
#include "monitor/log_plot.h"
#include "monitor/log_reader.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cmath>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    monitor::LogSamples samples;
    samples.intervalText = QStringLiteral("0.100");
    samples.startTime = QTime(12, 0);
    for (int item = 0; item < 6; ++item)
        samples.descriptions << QStringLiteral("Item %1 ----- ").arg(item + 1);
    for (int n = 0; n < monitor::LogSamples::kMaxSamples; ++n) {
        std::vector<std::optional<double>> values;
        for (int item = 0; item < 6; ++item) {
            const bool gap = item == 5 && n % 500 < 10;
            values.push_back(gap ? std::nullopt : std::optional(std::sin(n * 0.01 * (item + 1))));
        }
        samples.values.push_back(std::move(values));
        samples.elapsed.push_back(n * 0.1);
    }
    const QByteArray file = monitor::logFileText(samples, QDate(2026, 12, 7));

    QElapsedTimer timer;
    timer.start();
    const monitor::LogReading reading = monitor::readLog(file);
    const qint64 read = timer.elapsed();
    const QImage picture =
        monitor::plotPicture(monitor::plotItems(*reading.samples), QSize(1200, 600));
    const qint64 drawn = timer.elapsed();
    std::printf("log viewer: %d samples of 6 items read in %lld ms, read and drawn in %lld ms "
                "(target: under 1000 ms)%s\n",
                reading.samples->count(), static_cast<long long>(read),
                static_cast<long long>(drawn), picture.isNull() ? " -- NO PICTURE" : "");
    return drawn < 1000 && !picture.isNull() ? 0 : 1;
}
