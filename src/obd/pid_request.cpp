// SPDX-License-Identifier: GPL-3.0-or-later
#include "pid_request.h"

namespace obd {

scan::ObdAnswer PidRequest::ask(const scan::ObdRequest& request) {
    const scan::ObdAnswer answer = driver_.ask(request);
    if (!answer.answered())
        link_.noteUnanswered();
    return answer;
}

scan::ObdAnswer PidRequest::get_ecu_PID(const QString& service, const QString& pid, int dataBytes) {
    link_.state().NoVehicleLink = false;
    view_.setLinkColour(scan::LinkColour::Green);
    return ask({quint8(scan::conv_hex(service)),
                QByteArray(1, char(scan::conv_hex(pid))),
                1 + dataBytes,
                {}});
}

} // namespace obd
