#pragma once

#include "decoder_state.h"
#include "link/scan_tool_link.h"

namespace obd {

// The single-PID request every decoder goes through.
class PidRequest {
public:
    PidRequest(scan::ScanToolLink& link, scan::LinkView& view) : link_(link), view_(view) {}

    // Sends service, PID and the reply length n (as two upper-case hex digits) and returns the
    // reply: 22 "0" characters when the scan tool reports no vehicle, the empty text when no
    // well-formed reply came within a few tries or the reply timeout.
    QString get_ecu_PID(const QString& service, const QString& pid, int length);

    scan::ScanToolLink& link() { return link_; }
    scan::LinkView& view() { return view_; }

private:
    scan::ScanToolLink& link_;
    scan::LinkView& view_;
};

// The six-character command: service, PID and reply length in hex ("010C07", "02000A").
QString command(const QString& service, const QString& pid, int length);

} // namespace obd
