#pragma once

#include "obd/survey.h"

namespace diag {

// Reads the freeze frame: its support bitmap (service $02, PID $00) drives the same walk and
// decoders as the vehicle data survey, in service $02.
void get_freeze_frame(obd::Survey& survey, scan::ScanToolLink& link, obd::DecoderState& decoder,
                      obd::SurveyState& state, obd::SurveyView& view);

} // namespace diag
