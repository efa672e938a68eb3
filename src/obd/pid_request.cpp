// SPDX-License-Identifier: GPL-3.0-or-later
#include "pid_request.h"

namespace obd {

namespace {
// A scan tool that keeps sending malformed replies gets this many tries.
constexpr int kTries = 3;
} // namespace

QString command(const QString& service, const QString& pid, int length) {
    return service + pid + QStringLiteral("%1").arg(length, 2, 16, QLatin1Char('0')).toUpper();
}

scan::Reply PidRequest::request(const QString& command, int threshold) {
    std::optional<scan::Reply> reply = link_.awaitVehicle();
    for (int attempt = 1; !reply; ++attempt) {
        const scan::Reply answer = link_.exchange(command, threshold);
        const bool outOfStep = answer.status() == scan::Reply::Status::OutOfStep;
        if (outOfStep)
            view_.setLinkColour(scan::LinkColour::Red);
        const bool askAgain = outOfStep || answer.status() == scan::Reply::Status::Garbled;
        if (!askAgain || attempt == kTries)
            reply = answer;
    }
    if (!reply->answered())
        link_.noteUnanswered();
    return *reply;
}

scan::Reply PidRequest::get_ecu_PID(const QString& service, const QString& pid, int length) {
    link_.state().NoVehicleLink = false;
    view_.setLinkColour(scan::LinkColour::Green);
    return request(command(service, pid, length), 2 * length);
}

} // namespace obd
