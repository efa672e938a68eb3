// SPDX-License-Identifier: GPL-3.0-or-later
#include "pid_request.h"

namespace obd {

namespace {
// Services and PIDs are written as two hex digits, as the value table and the survey keep them.
quint8 hexByte(const QString& text) {
    return quint8(text.toUInt(nullptr, 16));
}
} // namespace

scan::ObdAnswer PidRequest::ask(const scan::ObdRequest& request) {
    const scan::ObdAnswer answer = driver_.ask(request);
    if (!answer.answered())
        link_.noteUnanswered();
    return answer;
}

scan::ObdAnswer PidRequest::askPid(const QString& service, const QString& pid, int dataBytes) {
    link_.state().NoVehicleLink = false;
    view_.setLinkColour(scan::LinkColour::Green);
    return ask({hexByte(service), QByteArray(1, char(hexByte(pid))), 1 + dataBytes, {}});
}

} // namespace obd
