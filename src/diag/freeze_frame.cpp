// SPDX-License-Identifier: GPL-3.0-or-later
#include "freeze_frame.h"

namespace diag {

void FreezeFrame::read() {
    link_.state().NoVehicleLink = false;
    state_.PIDCount = 0;
    view_.clearDataList();
    state_.DataLogItems.setStringList({}); // the logger's items follow the list's lines
    decoder_.PIDMode = QStringLiteral("02");
    decoder_.PIDOffset = 1;

    const QString operation = QStringLiteral("Reading the freeze frame");
    // The support map of the stored frame: PID $00, the frame number and four bytes.
    const scan::ObdAnswer reply = driver_.ask({0x02, QByteArray(1, 0x00), 6, {}});
    if (reply.ended()) {
        link_.noteUnanswered();
        view_.setStatusText(scan::interruptionText(reply, operation));
        return;
    }
    if (!reply.answered()) {
        // An ECU that does not answer has no freeze frame to offer: a finding, not a failure.
        if (reply.status() != scan::AnswerStatus::EcuTimeout)
            link_.noteUnanswered();
        view_.setLinkText(QStringLiteral("ECU Timeout, Freeze Frame not Supported"));
        view_.setLinkColour(scan::LinkColour::Red);
        if (reply.status() != scan::AnswerStatus::EcuTimeout)
            view_.setStatusText(scan::noAnswerText(reply, QStringLiteral("freeze frame")));
        return;
    }
    view_.setLinkText(QStringLiteral("ECU Connected"));
    view_.setLinkColour(scan::LinkColour::Green);
    if (reply.ecu().startsWith(QLatin1Char('D'))) {
        view_.setStatusText(
            QStringLiteral("The ECU communicating does not support OBD-II data, you can read/clear "
                           "it's trouble codes or Click 'Change ECU' "));
        return;
    }
    view_.setStatusText(QStringLiteral("\r\nECU #=") + reply.ecu() + QStringLiteral("\r\n"));
    const int A = reply.byte(3);
    if (A == 0) {
        view_.setStatusText(QStringLiteral("\r\n"));
        view_.appendStatusText(QStringLiteral("\r\nNot Supported by this ECU\r\n"));
    }
    const std::optional<scan::ObdAnswer> interrupted =
        survey_.walkFreezeFrame(A, reply.byte(4), reply.byte(5), reply.byte(6));
    state_.NoFreezeFrame = false;
    if (interrupted) // its request was counted as unanswered where it was made
        view_.appendStatusText(scan::interruptionText(*interrupted, operation));
}

} // namespace diag
