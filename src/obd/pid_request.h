// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decoder_state.h"
#include "link/driver.h"
#include "link/scan_tool_link.h"

namespace obd {

// The requests of the vehicle data services, through whichever driver the scan tool has.
class PidRequest {
public:
    PidRequest(scan::ScanToolLink& link, scan::Driver& driver, scan::LinkView& view)
        : link_(link), driver_(driver), view_(view) {}

    // Asks service and PID for an answer of `dataBytes` bytes after the PID (in service $02 the
    // frame number is one of them).
    scan::ObdAnswer askPid(const QString& service, const QString& pid, int dataBytes);
    // Asks the request through the driver; a request that stays unanswered is counted for the
    // report.
    scan::ObdAnswer ask(const scan::ObdRequest& request);

    scan::ScanToolLink& link() { return link_; }
    scan::LinkView& view() { return view_; }

private:
    scan::ScanToolLink& link_;
    scan::Driver& driver_;
    scan::LinkView& view_;
};

} // namespace obd
