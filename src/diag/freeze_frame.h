// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "obd/survey.h"

namespace diag {

// Reads the freeze frame: its support bitmap (service $02, PID $00) drives the same walk and
// decoders as the vehicle data survey, in service $02.
class FreezeFrame {
public:
    FreezeFrame(obd::Survey& survey, scan::ScanToolLink& link, scan::Driver& driver,
                obd::DecoderState& decoder, obd::SurveyState& state, obd::SurveyView& view)
        : survey_(survey), link_(link), driver_(driver), decoder_(decoder), state_(state),
          view_(view) {}

    void read();

private:
    obd::Survey& survey_;
    scan::ScanToolLink& link_;
    scan::Driver& driver_;
    obd::DecoderState& decoder_;
    obd::SurveyState& state_;
    obd::SurveyView& view_;
};

} // namespace diag
