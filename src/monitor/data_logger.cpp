// SPDX-License-Identifier: GPL-3.0-or-later
#include "data_logger.h"

#include "core/number_text.h"
#include "display_items.h"

#include <algorithm>
#include <iterator>

namespace monitor {

namespace {
// Checks of the system time need no exchange; between them the wait sleeps this long.
constexpr std::chrono::milliseconds kTriggerCheckInterval{100};
constexpr std::chrono::milliseconds kFirstSampleAfter{100};
} // namespace

obd::Reading DataLogger::currentValue(int code) {
    if (!displayItem(code)) {
        if (!noDataSaid_)
            prompter_.message({QStringLiteral("No Data Selected")});
        noDataSaid_ = true;
        return {};
    }
    return decoders_.read(code);
}

namespace {
// A value text that is no number counts 0; an unanswered reading has no number at all.
std::optional<double> numberOf(const obd::Reading& reading) {
    return reading.answered() ? std::optional<double>(core::leadingNumber(reading.value))
                              : std::nullopt;
}
} // namespace

PollingRun::End DataLogger::waitForStart(PollingRun& run, const StartCondition& condition) {
    decoder_.useCurrentData();
    const TriggerInputs inputs{[] { return QTime::currentTime(); },
                               [this] { return numberOf(decoders_.read(0x0D)); },
                               [this] { return numberOf(decoders_.read(0x0C)); }};
    run.setInterval(kTriggerCheckInterval);
    run.setLimit(std::nullopt);
    return run.run([&] { return !condition.holds(inputs); });
}

PollingRun::End DataLogger::log(PollingRun& run, const QList<LogItem>& items,
                                const QString& intervalText, LogSamples& samples,
                                const std::function<void(const QList<obd::Reading>&)>& shown,
                                int limit) {
    decoder_.useCurrentData();
    noDataSaid_ = false;
    samples = LogSamples{};
    samples.intervalText = intervalText;
    for (const LogItem& item : items)
        samples.descriptions << item.description;
    samples.values.reserve(LogSamples::kMaxSamples);
    samples.elapsed.reserve(LogSamples::kMaxSamples);
    samples.startTime = QTime::currentTime();
    timing_.Start();
    const double interval = std::max(0.0, core::leadingNumber(intervalText));
    run.setInterval(std::chrono::milliseconds(qint64(interval * 1000)));
    run.setStartDelay(kFirstSampleAfter);
    run.setLimit(std::min(limit, LogSamples::kMaxSamples));
    std::vector<int> pids;
    for (const LogItem& item : items) {
        if (displayItem(item.code))
            std::ranges::copy(decoders_.pidsOf(item.code), std::back_inserter(pids));
    }
    const PollingRun::End end = run.run([&] {
        const obd::AskedAhead ahead(decoders_.request(), pids);
        QList<obd::Reading> readings;
        std::vector<std::optional<double>> values;
        for (const LogItem& item : items) {
            readings << currentValue(item.code);
            values.push_back(numberOf(readings.back()));
        }
        samples.values.push_back(std::move(values));
        samples.elapsed.push_back(timing_.CurrentTime());
        if (shown)
            shown(readings);
        return true;
    });
    timing_.Finish();
    return end;
}

} // namespace monitor
