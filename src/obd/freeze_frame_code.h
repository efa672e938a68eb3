// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decoder_state.h"
#include "pid_request.h"
#include "survey_state.h"
#include "survey_view.h"

namespace obd {

// The trouble code that stored the freeze frame (PID $02), in the survey's service: shown in the
// status window, and the vehicle data list turns red to mark freeze-frame values. A frame code
// of 0000 means no frame is stored: NoFreezeFrame is set.
class FreezeFrameCode {
public:
    FreezeFrameCode(PidRequest& request, const DecoderState& decoder, SurveyState& survey,
                    SurveyView& view)
        : request_(request), decoder_(decoder), survey_(survey), view_(view) {}

    scan::ObdAnswer read();

private:
    PidRequest& request_;
    const DecoderState& decoder_;
    SurveyState& survey_;
    SurveyView& view_;
};

} // namespace obd
