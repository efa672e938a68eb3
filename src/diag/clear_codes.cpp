// SPDX-License-Identifier: GPL-3.0-or-later
#include "clear_codes.h"

namespace diag {

void ClearCodes::run() {
    link_.state().NoVehicleLink = false;
    view_.setStatusText(QStringLiteral("\r\n"));
    const scan::ObdAnswer reply = driver_.ask({0x04, {}, 0, {}});
    refused_ = reply.status() == scan::AnswerStatus::Refused;
    // Without an answer nobody knows whether the ECU cleared anything.
    const QString mayNotBeCleared = QStringLiteral(" The trouble codes may not have been cleared.");
    if (reply.ended()) {
        link_.noteUnanswered();
        view_.setStatusText(
            scan::interruptionText(reply, QStringLiteral("Clearing the trouble codes")) +
            mayNotBeCleared);
        return;
    }
    // A refusal is the ECU's answer: the clear failed.
    if (!reply.answered() && reply.status() != scan::AnswerStatus::Refused) {
        link_.noteUnanswered();
        view_.setLinkText(QStringLiteral("ECU Timeout"));
        view_.setLinkColour(scan::LinkColour::Red);
        if (reply.status() != scan::AnswerStatus::EcuTimeout)
            view_.setStatusText(scan::noAnswerText(reply, QStringLiteral("clear")) +
                                mayNotBeCleared);
        return;
    }
    view_.setLinkText(QStringLiteral("ECU Connected"));
    view_.setLinkColour(scan::LinkColour::Green);
    view_.setStatusText(reply.answered() ? QStringLiteral("Trouble Codes Cleared")
                                         : QStringLiteral("Operation Failed"));
}

} // namespace diag
