// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decoder_state.h"
#include "pid_request.h"
#include "reading.h"
#include "survey_state.h"
#include "value_decoders.h"

#include <vector>

namespace obd {

// Runs the decoders: asks the ECU for a PID and decodes the reply. Value decoders return what
// they read and, when it was answered, leave it in the shared PIDValue, PIDUnits, PIDLabel and
// PIDNumeric; status decoders write into the status window and return the reply they got. A
// request that was not answered is never decoded: a status decoder then says so in a plain line
// (unless the scan tool can no longer be asked at all, which its caller reports).
class Decoders {
public:
    Decoders(PidRequest& request, DecoderState& decoder, SurveyState& survey);

    // The value decoder of an item code (a PID number, or 18 for fuel economy).
    Reading read(int code);
    // Whether an item code has a value decoder.
    static bool decodes(int code);
    // The PIDs the value decoder of an item code asks, in current data.
    std::vector<int> pidsOf(int code) const;

    Reading fuelEconomy();
    Reading get_WBO2_lambda(const QString& service, const QString& pid);
    // The lambda as value, the sensor current (mA) as numeric companion.
    Reading get_WBO2_current(const QString& service, const QString& pid);

    scan::ObdAnswer get_MIL();
    scan::ObdAnswer fuelStatus();
    // get_STFTB1, get_LTFTB1, get_STFTB2, get_LTFTB2 for PIDs $06 to $09.
    scan::ObdAnswer fuelTrim(int pid);
    scan::ObdAnswer get_cmd_sec_air_stat();
    // The number of O2 sensors, from PID $13 (two banks of four) or $1D (four banks of two).
    scan::ObdAnswer get_O2_loc(int pid);
    void get_OBD();

    PidRequest& request() { return request_; }

private:
    Reading readRow(const ValueDecoder& row);
    // Fuel economy is corrected by the wide-range O2 sensor's lambda when the survey found one.
    bool economyUsesLambda() const;
    Reading readLambda(int pid);
    void publish(const Reading& reading);
    // Data bytes of a reply to the given service: freeze-frame replies carry the frame byte first.
    DataBytes bytesOf(const scan::ObdAnswer& reply, const QString& service) const;
    int offsetFor(const QString& service) const;
    void append(const QString& line);
    // True for an answered reply; otherwise says so, unless the operation has ended anyway.
    bool usable(const scan::ObdAnswer& reply, const QString& what);

    PidRequest& request_;
    DecoderState& decoder_;
    SurveyState& survey_;
};

// A PID as its two hex characters ("0C").
QString pidText(int pid);

} // namespace obd
