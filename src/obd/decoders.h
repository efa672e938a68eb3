#pragma once

#include "decoder_state.h"
#include "pid_request.h"
#include "survey_state.h"
#include "value_decoders.h"

namespace obd {

// Runs the decoders: asks the ECU for a PID, decodes the reply and leaves the result in the shared
// PIDValue, PIDUnits, PIDLabel and PIDNumeric; the status decoders write into the status window.
class Decoders {
public:
    Decoders(PidRequest& request, DecoderState& decoder, SurveyState& survey);

    // The value decoder of an item code (a PID number, or 18 for fuel economy); returns PIDValue.
    QString decode(int code);
    // Whether an item code has a value decoder.
    static bool decodes(int code);

    QString get_mpg();
    QString get_WBO2_lambda(const QString& service, const QString& pid);
    QString get_WBO2_current(const QString& service, const QString& pid);

    void get_MIL();
    void get_fuel_status();
    // get_STFTB1, get_LTFTB1, get_STFTB2, get_LTFTB2 for PIDs $06 to $09.
    void fuelTrim(int pid);
    void get_cmd_sec_air_stat();
    void get_O2_loc();
    void get_OBD();
    // Counts the O2 sensors PID $13 reports and marks them in O2Present.
    int get_O2_sensors();

    PidRequest& request() { return request_; }

private:
    QString decodeRow(const ValueDecoder& row);
    QString decodeLambda(int pid);
    // Data bytes of a reply to the given service: freeze-frame replies carry the frame byte first.
    DataBytes bytesOf(const QString& reply, const QString& service) const;
    int offsetFor(const QString& service) const;
    void append(const QString& line);

    PidRequest& request_;
    DecoderState& decoder_;
    SurveyState& survey_;
};

// A PID as its two hex characters ("0C").
QString pidText(int pid);

} // namespace obd
