// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/log_plot.h"
#include "monitor/log_reader.h"
#include "monitor/log_viewer_window.h"
#include "support/qt_printers.h"
#include "support/scripted_prompter.h"

#include <QFile>
#include <QLabel>
#include <QLegendMarker>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Two items over four samples; the second item went unanswered at the second sample.
monitor::LogSamples fourSamples() {
    monitor::LogSamples samples;
    samples.intervalText = QStringLiteral("0.100");
    samples.startTime = QTime(14, 3, 7);
    samples.descriptions = {QStringLiteral("Engine RPM ------------- "),
                            QStringLiteral("Speed ------------------ ")};
    samples.values = {{750, 0}, {1000, std::nullopt}, {1250, 20}, {1500, 40}};
    samples.elapsed = {0.1, 0.2, 0.3, 0.4};
    return samples;
}

const QByteArray kWritten = monitor::logFileText(fourSamples(), QDate(2026, 12, 7));

TEST(LogReaderTest, AWrittenLogReadsBackWithItsGaps) {
    const monitor::LogReading reading = monitor::readLog(kWritten);
    ASSERT_TRUE(reading.samples) << reading.error.toStdString();
    EXPECT_EQ(reading.skipped, 0);
    EXPECT_EQ(reading.samples->descriptions, fourSamples().descriptions);
    EXPECT_EQ(reading.samples->values, fourSamples().values);
    EXPECT_EQ(reading.samples->elapsed, fourSamples().elapsed);
    EXPECT_EQ(monitor::itemLabel(reading.samples->descriptions[0]), "Engine RPM");
}

TEST(LogReaderTest, ARecordCutOffAtTheEndIsSkippedAndAForeignFileNamesItsWrongLine) {
    for (const qsizetype cut : {2, 5}) { // in the line end, in the last number
        const monitor::LogReading reading = monitor::readLog(kWritten.chopped(cut));
        ASSERT_TRUE(reading.samples) << cut;
        EXPECT_EQ(reading.samples->count(), 3) << cut;
        EXPECT_EQ(reading.skipped, 1) << cut;
    }
    EXPECT_EQ(monitor::readLog("{\"ecus\": []}\r\n").error,
              "line 1: not a data log: it does not start with the sample rate");
    QByteArray damaged = kWritten;
    damaged.replace("1000,,0.2", "1000,x,0.2");
    EXPECT_EQ(monitor::readLog(damaged).error,
              "line 8: record 2 is not a sample of 2 items and the elapsed time");
}

TEST(LogPlotTest, EachItemFillsItsOwnRangeAndAGapSplitsItsLine) {
    const monitor::LogSamples samples = fourSamples();
    const std::vector<monitor::PlotItem> items = monitor::plotItems(samples);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].label, "Engine RPM (750 - 1500)");
    ASSERT_EQ(items[0].runs.size(), 1u);
    EXPECT_EQ(items[0].runs[0].front(), QPointF(0.1, 0));
    EXPECT_EQ(items[0].runs[0].back(), QPointF(0.4, 100));
    ASSERT_EQ(items[1].runs.size(), 2u) << "no point at the unanswered sample, never a zero";
    EXPECT_EQ(items[1].runs[0].size(), 1);
    EXPECT_EQ(items[1].runs[1], QList<QPointF>({{0.3, 50}, {0.4, 100}}));
    EXPECT_EQ(monitor::valueAt(samples, 1, 0.25), std::nullopt);
    EXPECT_EQ(monitor::valueAt(samples, 0, 0.25), 1000);
    EXPECT_EQ(monitor::valueAt(samples, 0, 0.05), std::nullopt) << "before the first sample";
}

TEST(LogViewerWindowTest, ALegendEntrySwitchesAllOfItsItemsLinesAndStaysToSwitchItBack) {
    QTemporaryDir dir;
    QFile file(dir.filePath("run.log"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(kWritten.chopped(3)) > 0);
    file.close();
    ScriptedPrompter prompter;
    monitor::LogViewerWindow viewer(prompter);
    ASSERT_TRUE(viewer.open(file.fileName()));
    EXPECT_EQ(viewer.summary->text(),
              "run.log: 3 samples of 2 items; 1 record cut off at the end was skipped");
    QChart* chart = viewer.chartView->chart();
    ASSERT_EQ(chart->series().size(), 3) << "Speed's two runs and Engine RPM's one";
    QLegendMarker* speed = nullptr;
    for (QLegendMarker* marker : chart->legend()->markers())
        if (marker->isVisible() && marker->label().startsWith("Speed"))
            speed = marker;
    ASSERT_TRUE(speed);
    for (const bool shown : {false, true}) {
        emit speed->clicked();
        for (QAbstractSeries* series : chart->series())
            EXPECT_EQ(series->isVisible(), shown || series->name().startsWith("Engine"));
        EXPECT_TRUE(speed->isVisible());
    }
    EXPECT_FALSE(viewer.open(dir.filePath("missing.log")));
    EXPECT_EQ(viewer.reading().samples->count(), 3) << "a failed open keeps the log shown";
}

} // namespace
