#include "freeze_frame.h"

namespace diag {

void get_freeze_frame(obd::Survey& survey, scan::ScanToolLink& link, obd::DecoderState& decoder,
                      obd::SurveyState& state, obd::SurveyView& view) {
    link.state().NoVehicleLink = false;
    state.PIDCount = 0;
    view.clearDataList();
    state.DataLogItems.setStringList({}); // the logger's items follow the list's lines
    decoder.PIDMode = QStringLiteral("02");
    decoder.PIDOffset = 1;

    const QString operation = QStringLiteral("Reading the freeze frame");
    const scan::Reply reply = link.request(QStringLiteral("02000A"), 22);
    if (reply.ended()) {
        link.noteUnanswered();
        view.setStatusText(scan::interruptionText(reply, operation));
        return;
    }
    if (!reply.answered()) {
        link.noteUnanswered();
        view.setLinkText(QStringLiteral("ECU Timeout, Freeze Frame not Supported"));
        view.setLinkColour(scan::LinkColour::Red);
        if (reply.status() != scan::Reply::Status::EcuTimeout)
            view.setStatusText(scan::noAnswerText(reply, QStringLiteral("freeze frame")));
        return;
    }
    view.setLinkText(QStringLiteral("ECU Connected"));
    view.setLinkColour(scan::LinkColour::Green);
    if (reply.mid(6, 1) == QLatin1String("D")) {
        view.setStatusText(
            QStringLiteral("The ECU communicating does not support OBD-II data, you can read/clear "
                           "it's trouble codes or Click 'Change ECU' "));
        return;
    }
    view.setStatusText(QStringLiteral("\r\nECU #=") + reply.ecu() + QStringLiteral("\r\n"));
    const int A = reply.byte(14);
    if (A == 0) {
        view.setStatusText(QStringLiteral("\r\n"));
        view.appendStatusText(QStringLiteral("\r\nNot Supported by this ECU\r\n"));
    }
    const std::optional<scan::Reply> interrupted =
        survey.walkFreezeFrame(A, reply.byte(16), reply.byte(18), reply.byte(20));
    state.NoFreezeFrame = false;
    if (interrupted) // its request was counted as unanswered where it was made
        view.appendStatusText(scan::interruptionText(*interrupted, operation));
}

} // namespace diag
