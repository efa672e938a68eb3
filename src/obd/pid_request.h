// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decoder_state.h"
#include "link/scan_tool_link.h"

namespace obd {

// The single-PID request every decoder goes through.
class PidRequest {
public:
    PidRequest(scan::ScanToolLink& link, scan::LinkView& view) : link_(link), view_(view) {}

    // Sends service, PID and the reply length (as two upper-case hex digits) with request().
    scan::Reply get_ecu_PID(const QString& service, const QString& pid, int length);
    // Sends a command once the scan tool is ready and returns the reply, asking again while it is
    // out of step or garbled, a few times at most. A request that stays unanswered is counted for
    // the report.
    scan::Reply request(const QString& command, int threshold);

    scan::ScanToolLink& link() { return link_; }
    scan::LinkView& view() { return view_; }

private:
    scan::ScanToolLink& link_;
    scan::LinkView& view_;
};

// The six-character command: service, PID and reply length in hex ("010C07", "02000A").
QString command(const QString& service, const QString& pid, int length);

} // namespace obd
