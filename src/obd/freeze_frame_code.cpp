// SPDX-License-Identifier: GPL-3.0-or-later
#include "freeze_frame_code.h"

#include "dtc.h"

namespace obd {

scan::ObdAnswer FreezeFrameCode::read() {
    survey_.NoFreezeFrame = false;
    const scan::ObdAnswer reply = request_.askPid(decoder_.PIDMode, QStringLiteral("02"), 3);
    const QString lineBreak = QStringLiteral("\r\n");
    const QString noFrame = QStringLiteral("\r\n No Freeze Frame Data Stored");
    if (reply.status() == scan::AnswerStatus::EcuTimeout) {
        view_.appendStatusText(noFrame);
        return reply;
    }
    if (!reply.answered()) {
        if (!reply.ended())
            view_.appendStatusText(
                lineBreak + scan::noAnswerText(reply, QStringLiteral("freeze frame trouble code")) +
                lineBreak);
        return reply;
    }
    // The code's two bytes follow the frame byte in a freeze-frame reply, the PID in a current one.
    const int first = decoder_.PIDMode == QLatin1String("02") ? 3 : 2;
    const QString code = codeField(reply.byte(first), reply.byte(first + 1));
    if (code == QLatin1String("0000")) {
        view_.setStatusText(lineBreak);
        view_.appendStatusText(noFrame + lineBreak);
        survey_.NoFreezeFrame = true;
        return reply;
    }
    view_.appendStatusText(QStringLiteral("\r\nFreeze Frame T.C. -") + dtcText(code) + lineBreak);
    view_.setDataListColour(QColor(255, 0, 0));
    return reply;
}

} // namespace obd
