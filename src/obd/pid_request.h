// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decoder_state.h"
#include "link/driver.h"
#include "link/scan_tool_link.h"

#include <map>
#include <span>
#include <vector>

namespace obd {

// The requests of the vehicle data services, through whichever driver the scan tool has.
class PidRequest {
public:
    PidRequest(scan::ScanToolLink& link, scan::Driver& driver, scan::LinkView& view)
        : link_(link), driver_(driver), view_(view) {}

    // Asks service and PID for an answer of `dataBytes` bytes after the PID (in service $02 the
    // frame number is one of them).
    scan::ObdAnswer askPid(const QString& service, const QString& pid, int dataBytes);
    // Asks the request through the driver, or answers it from what was asked ahead; a request
    // that stays unanswered is counted for the report.
    scan::ObdAnswer ask(const scan::ObdRequest& request);

    scan::ScanToolLink& link() { return link_; }
    scan::LinkView& view() { return view_; }

private:
    friend class AskedAhead;
    // Asks the current-data PIDs several a request (see AskedAhead); the PIDs it keeps answers
    // of.
    std::vector<quint8> askAhead(std::span<const int> pids);
    // Asks one PID alone for its J1979 length.
    scan::ObdAnswer askAlone(quint8 pid);

    scan::ScanToolLink& link_;
    scan::Driver& driver_;
    scan::LinkView& view_;
    // Each PID's answer asked ahead: as the driver gave it (to several PIDs, or to the PID alone)
    // or why there is none.
    std::map<quint8, scan::ObdAnswer> ahead_;
};

// The service $01 PIDs a pass is about to read, asked up to six a request where the driver can
// carry several (never the support maps); until it ends, the pass's requests of those PIDs are
// answered from them, each as if asked alone. A PID the vehicle leaves out is asked alone at
// once; when it then answers, the driver is told to ask one PID a request from then on. An
// answer to several PIDs that is damaged or late counts for none of them: each is asked alone
// when the pass reads it.
class AskedAhead {
public:
    AskedAhead(PidRequest& request, std::span<const int> pids)
        : request_(request), pids_(request.askAhead(pids)) {}
    ~AskedAhead() {
        for (quint8 pid : pids_)
            request_.ahead_.erase(pid);
    }
    AskedAhead(const AskedAhead&) = delete;
    AskedAhead& operator=(const AskedAhead&) = delete;

private:
    PidRequest& request_;
    std::vector<quint8> pids_;
};

} // namespace obd
