#pragma once

#include "decoders.h"
#include "survey_view.h"

#include <initializer_list>

namespace obd {

// The vehicle data survey: reads the support bitmaps and runs every supported PID's decoder.
class Survey {
public:
    Survey(Decoders& decoders, DecoderState& decoder, SurveyState& survey, SurveyView& view);

    void Mode1_Click();
    void scanPIDs21();
    void scanPIDs41();

    // The dispatchers of the bitmap bytes; the freeze-frame survey uses the first four too.
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
    void addLine(int code);
    // The range survey of one bitmap request, handing its bytes to the dispatchers in order.
    void scanRange(const QString& command,
                   std::initializer_list<void (Survey::*)(int)> dispatchers);
    // Asks for a support bitmap; the empty text when no answer came.
    QString requestBitmap(const QString& command, bool checkMarkers);
    // Shows whether the ECU answered; false for a timeout (or no answer at all).
    bool showAnswered(const QString& reply);
    bool isObdLessEcu(const QString& reply);

    Decoders& decoders_;
    DecoderState& decoder_;
    SurveyState& survey_;
    SurveyView& view_;
};

} // namespace obd
