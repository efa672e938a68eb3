// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "obd/decoders.h"
#include "polling_run.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <vector>

namespace monitor {

// The air/fuel ratio of a wide-range sensor: from its pumping current while the mixture is rich,
// from lambda once the current would give more than stoichiometric.
double airFuelRatio(double currentMa, double lambda);

// One sample of the wide-range O2 sensor log; nothing when the sensor's request went unanswered.
struct Wbo2Sample {
    std::optional<double> lambda;
    std::optional<double> airFuel;
};

// What one pass shows: lambda and the air/fuel ratio (six characters each) and the engine speed
// as "0000"; an empty text for what was not answered.
struct Wbo2Shown {
    QString lambda;
    QString airFuel;
    QString rpm;
};

// The log file: two printed header records, then one record per sample of lambda, air/fuel ratio
// and lambda again (empty fields for an unanswered sample, never a made-up 0).
QByteArray wbo2LogText(const std::vector<Wbo2Sample>& samples);

// The wide-range O2 sensor log's logic, shared by its window and `vamrick --wbo2-log`: the first
// wide-range sensor of bank 1 (PID $34) and the engine speed, ten times a second.
class Wbo2Log {
public:
    static constexpr int kMaxSamples = 17999;
    static constexpr int kSensorPid = 0x34;

    Wbo2Log(obd::Decoders& decoders, obd::DecoderState& decoder)
        : decoders_(decoders), decoder_(decoder) {}

    // Samples until the run ends or `limit` samples (at most 17,999) are in `samples`; `shown`
    // gets each pass's texts.
    PollingRun::End log(PollingRun& run, std::vector<Wbo2Sample>& samples,
                        const std::function<void(const Wbo2Shown&)>& shown = {},
                        int limit = kMaxSamples);

private:
    Wbo2Sample pass(Wbo2Shown& shown);

    obd::Decoders& decoders_;
    obd::DecoderState& decoder_;
};

} // namespace monitor
