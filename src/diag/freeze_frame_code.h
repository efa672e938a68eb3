#pragma once

#include "obd/decoder_state.h"
#include "obd/pid_request.h"
#include "obd/survey_state.h"
#include "obd/survey_view.h"

namespace diag {

// The trouble code that stored the freeze frame (PID $02): shown in the status window, and the
// vehicle data list turns red to mark freeze-frame values. No stored frame sets NoFreezeFrame.
void get_trouble_codes(obd::PidRequest& request, const obd::DecoderState& decoder,
                       obd::SurveyState& survey, obd::SurveyView& view);

} // namespace diag
