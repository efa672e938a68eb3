// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"
#include "link/timing.h"
#include "log_file.h"
#include "obd/decoders.h"
#include "polling_run.h"
#include "triggers.h"

namespace monitor {

// One item to log: its code (the PID number, 18 for fuel economy) and its description.
struct LogItem {
    int code;
    QString description;
};

// The logger's logic, shared by the logger window and `vamrick --log`: the wait for the start
// condition and the sampling run, both as polling runs inside an operation of the caller's.
class DataLogger {
public:
    DataLogger(obd::Decoders& decoders, obd::DecoderState& decoder, scan::Timing& timing,
               core::Prompter& prompter)
        : decoders_(decoders), decoder_(decoder), timing_(timing), prompter_(prompter) {}

    // An item's current value; codes without a live view say "No Data Selected" (once per run)
    // and are never answered.
    obd::Reading currentValue(int code);

    // Waits until the condition holds; End::Done when it does.
    PollingRun::End waitForStart(PollingRun& run, const StartCondition& condition);

    // Samples the items every interval (the first 0.1 s after the start) up to `limit` samples
    // (at most 17,999), into `samples`; `shown` gets each sample's readings.
    PollingRun::End log(PollingRun& run, const QList<LogItem>& items, const QString& intervalText,
                        LogSamples& samples,
                        const std::function<void(const QList<obd::Reading>&)>& shown = {},
                        int limit = LogSamples::kMaxSamples);

private:
    obd::Decoders& decoders_;
    obd::DecoderState& decoder_;
    scan::Timing& timing_;
    core::Prompter& prompter_;
    bool noDataSaid_ = false;
};

} // namespace monitor
