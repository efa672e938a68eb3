// SPDX-License-Identifier: GPL-3.0-or-later
#include "wbo2_log.h"

#include "core/number_text.h"
#include "records.h"

namespace monitor {

namespace {
constexpr std::chrono::milliseconds kSampleInterval{100};
constexpr double kStoichiometric = 14.731;
} // namespace

double airFuelRatio(double currentMa, double lambda) {
    const double byCurrent = currentMa * 1.954929 + 14.7304505;
    return byCurrent > kStoichiometric ? lambda * kStoichiometric : byCurrent;
}

QByteArray wbo2LogText(const std::vector<Wbo2Sample>& samples) {
    RecordWriter out;
    out.print(QStringLiteral("WBO2 Current mA"));
    out.print(QStringLiteral("WBO2 Lambda Reading"));
    const auto field = [](const std::optional<double>& value) {
        return value ? plainNumber(*value) : QString();
    };
    for (const Wbo2Sample& sample : samples)
        out.print(
            QStringList{field(sample.lambda), field(sample.airFuel), field(sample.lambda)}.join(
                QLatin1Char(',')));
    return out.bytes();
}

Wbo2Sample Wbo2Log::pass(Wbo2Shown& shown) {
    Wbo2Sample sample;
    const obd::Reading sensor =
        decoders_.get_WBO2_current(QStringLiteral("01"), obd::pidText(kSensorPid));
    if (sensor.answered()) {
        const double lambda = core::leadingNumber(sensor.value);
        sample.lambda = lambda;
        sample.airFuel = airFuelRatio(sensor.numeric, lambda);
        shown.lambda = core::left(sensor.value, 6);
        shown.airFuel = core::left(core::plainNumberText(*sample.airFuel), 6);
    }
    const obd::Reading rpm = decoders_.read(0x0C);
    if (rpm.answered())
        shown.rpm = core::formatNumber(core::leadingNumber(rpm.value), QStringLiteral("0000"));
    return sample;
}

PollingRun::End Wbo2Log::log(PollingRun& run, std::vector<Wbo2Sample>& samples,
                             const std::function<void(const Wbo2Shown&)>& shown, int limit) {
    decoder_.useCurrentData();
    samples.clear();
    samples.reserve(std::size_t(std::min(limit, kMaxSamples)));
    run.setInterval(kSampleInterval);
    run.setStartDelay(std::chrono::milliseconds(0));
    run.setLimit(std::min(limit, kMaxSamples));
    return run.run([&] {
        Wbo2Shown texts;
        samples.push_back(pass(texts));
        if (shown)
            shown(texts);
        return true;
    });
}

} // namespace monitor
