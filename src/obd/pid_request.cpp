#include "pid_request.h"

namespace obd {

namespace {
// A scan tool that keeps sending malformed replies gets this many tries.
constexpr int kTries = 3;
} // namespace

QString command(const QString& service, const QString& pid, int length) {
    return service + pid + QStringLiteral("%1").arg(length, 2, 16, QLatin1Char('0')).toUpper();
}

scan::Reply PidRequest::ask(const QString& command, int threshold) {
    scan::Reply reply;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        reply = link_.exchange(command, threshold);
        if (reply.status() == scan::Reply::Status::OutOfStep)
            view_.setLinkColour(scan::LinkColour::Red);
        else if (reply.status() != scan::Reply::Status::Garbled)
            break;
    }
    return reply;
}

scan::Reply PidRequest::get_ecu_PID(const QString& service, const QString& pid, int length) {
    link_.state().NoVehicleLink = false;
    view_.setLinkColour(scan::LinkColour::Green);
    std::optional<scan::Reply> reply = link_.awaitVehicle();
    if (!reply)
        reply = ask(command(service, pid, length), 2 * length);
    if (!reply->answered())
        link_.noteUnanswered();
    return *reply;
}

} // namespace obd
