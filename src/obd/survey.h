// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decoders.h"
#include "freeze_frame_code.h"
#include "survey_view.h"

#include <initializer_list>
#include <optional>
#include <vector>

namespace obd {

// The vehicle data survey: reads the support bitmaps and runs every supported PID's decoder.
// A PID that is not answered adds no line; a survey that loses the scan tool, cannot reach the
// vehicle or is stopped ends there and says so.
class Survey {
public:
    Survey(Decoders& decoders, DecoderState& decoder, SurveyState& survey, SurveyView& view);

    // Rebuilds the vehicle data list and the status text from the ECU's supported PIDs; true when
    // the ECU answered and the survey ran to its end.
    bool run();
    void scanPIDs21();
    void scanPIDs41();

    // The freeze frame's walk over PIDs $01-$20 (in service $02): nothing when it ran to its end,
    // otherwise the reply that ended it.
    std::optional<scan::ObdAnswer> walkFreezeFrame(int A, int B, int C, int D);

    // The dispatchers of the bitmap bytes.
    void findPID1(int a) { dispatch(0x01, a); }
    void findPID2(int a) { dispatch(0x09, a); }
    void findPID3(int a) { dispatch(0x11, a); }
    void findPID4(int a) { dispatch(0x19, a); }
    void findPID_21(int a) { dispatch(0x21, a); }
    void findPID_29(int a) { dispatch(0x29, a); }
    void findPID_31(int a) { dispatch(0x31, a); }
    void findPID_39(int a) { dispatch(0x39, a); }
    void findPID_41(int a) { dispatch(0x41, a); }
    void findPID_49(int a) { dispatch(0x49, a); }

private:
    // Examines the byte from its most significant bit (its lowest PID) down.
    void dispatch(int firstPid, int a);
    void act(int pid, int& a);
    // Adds the line of an item; false when it was not answered.
    bool addLine(int code);
    // Remembers a reply that ends the walk.
    void settle(const scan::ObdAnswer& reply);
    // The range survey of the support map at `mapPid` ($20, $40), handing its bytes to the
    // dispatchers in order.
    void scanRange(int mapPid, std::initializer_list<void (Survey::*)(int)> dispatchers);
    // The survey's requests of the PIDs the support map at `mapPid` names in its first `bytes`
    // bytes, asked ahead when the survey reads current data.
    std::vector<int> currentDataPids(int mapPid, const scan::ObdAnswer& map, int bytes) const;
    // Asks for the support map at `mapPid` in service $01.
    scan::ObdAnswer requestBitmap(int mapPid, bool echo);
    // Shows whether the ECU answered; false when it did not.
    bool showAnswered(const scan::ObdAnswer& reply);

    Decoders& decoders_;
    DecoderState& decoder_;
    SurveyState& survey_;
    SurveyView& view_;
    FreezeFrameCode freezeFrameCode_;
    std::optional<scan::ObdAnswer> interruption_;
};

} // namespace obd
