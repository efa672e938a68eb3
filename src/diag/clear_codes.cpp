#include "clear_codes.h"

namespace diag {

void Mode4_Click(scan::ScanToolLink& link, scan::LinkView& view) {
    link.state().NoVehicleLink = false;
    view.setStatusText(QStringLiteral("\r\n"));
    const scan::Reply reply = link.request(QStringLiteral("040404"), 9);
    // Without an answer nobody knows whether the ECU cleared anything.
    const QString mayNotBeCleared = QStringLiteral(" The trouble codes may not have been cleared.");
    if (reply.ended()) {
        link.noteUnanswered();
        view.setStatusText(
            scan::interruptionText(reply, QStringLiteral("Clearing the trouble codes")) +
            mayNotBeCleared);
        return;
    }
    // A refusal is the ECU's answer: the clear failed.
    if (!reply.answered() && reply.status() != scan::Reply::Status::Refused) {
        link.noteUnanswered();
        view.setLinkText(QStringLiteral("ECU Timeout"));
        view.setLinkColour(scan::LinkColour::Red);
        if (reply.status() != scan::Reply::Status::EcuTimeout)
            view.setStatusText(scan::noAnswerText(reply, QStringLiteral("clear")) +
                               mayNotBeCleared);
        return;
    }
    view.setLinkText(QStringLiteral("ECU Connected"));
    view.setLinkColour(scan::LinkColour::Green);
    view.setStatusText(reply.answered() ? QStringLiteral("Trouble Codes Cleared")
                                        : QStringLiteral("Operation Failed"));
}

} // namespace diag
