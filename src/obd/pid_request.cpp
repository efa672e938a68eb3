#include "pid_request.h"

#include "core/number_text.h"

namespace obd {

namespace {
// A scan tool that keeps sending malformed replies gets this many tries, then counts as silent.
constexpr int kTries = 3;

bool isHexPairCharacter(QChar c) {
    return c.unicode() >= '0' && c.unicode() <= 'F';
}
} // namespace

QString command(const QString& service, const QString& pid, int length) {
    return service + pid + QStringLiteral("%1").arg(length, 2, 16, QLatin1Char('0')).toUpper();
}

QString PidRequest::get_ecu_PID(const QString& service, const QString& pid, int length) {
    scan::LinkState& state = link_.state();
    state.NoVehicleLink = false;
    view_.setLinkColour(scan::LinkColour::Green);
    link_.OBDwait();
    if (state.NoVehicleLink) {
        link_.noteUnanswered();
        return QString(22, QLatin1Char('0'));
    }

    const int threshold = 2 * length;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        link_.OBDinput();
        link_.OBDoutput(command(service, pid, length));
        QString reply = link_.readReply(threshold);
        if (core::mid(reply, 3, 1) == QLatin1String("S")) {
            view_.setLinkColour(scan::LinkColour::Red); // out of step: ask again
            continue;
        }
        if (core::mid(reply, 1, 1) == QLatin1String("S"))
            reply = core::mid(reply, 2, threshold + 1);
        if (reply.isEmpty())
            break;
        const QString firstData = core::mid(reply, 12, 2);
        if (firstData.size() == 2 && isHexPairCharacter(firstData[0]) &&
            isHexPairCharacter(firstData[1])) {
            if (core::mid(reply, 2, 1) == QLatin1String("S"))
                link_.noteUnanswered();
            return reply;
        }
    }
    link_.noteUnanswered();
    return {};
}

} // namespace obd
