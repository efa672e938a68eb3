// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/link_state.h"
#include "link/timing.h"
#include "monitor/log_state.h"
#include "obd/decoder_state.h"
#include "obd/survey_state.h"

namespace app {

// Everything the windows share, created once in main and handed to whoever needs it.
struct AppState {
    scan::LinkState link;
    obd::DecoderState decoder;
    obd::SurveyState survey;
    monitor::LogState log;
    scan::Timing timing;
};

} // namespace app
