// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "obd/decoders.h"

namespace monitor {

// A meter box's text: a reading, shown in the meter's large digits, or a plain sentence saying
// why there is none.
struct MeterText {
    QString text;
    bool reading = false;
};

// What one pass of the air/fuel ratio meter shows.
struct AirFuelFrame {
    MeterText ratio;
    MeterText engineSpeed;
};

// The ratio of a lambda, e.g. "14.62 A/F".
QString airFuelRatioText(double lambda);
// Engine speed as the meter shows it, at least three digits: "750  RPM ", "007  RPM ".
QString engineSpeedText(double rpm);

// The air/fuel ratio meter's logic: the lambda of the wide-range O2 sensor the survey found last,
// and the engine speed.
class AirFuelMeter {
public:
    AirFuelMeter(obd::Decoders& decoders, obd::DecoderState& decoder,
                 const obd::SurveyState& survey)
        : decoders_(decoders), decoder_(decoder), survey_(survey) {}

    // Without a wide-range sensor the meter has nothing to ask for.
    bool hasSensor() const;
    static QString noSensorText();

    void begin() { decoder_.useCurrentData(); }
    AirFuelFrame pass();

private:
    obd::Decoders& decoders_;
    obd::DecoderState& decoder_;
    const obd::SurveyState& survey_;
};

} // namespace monitor
