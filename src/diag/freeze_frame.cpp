#include "freeze_frame.h"

#include "core/number_text.h"

namespace diag {

void get_freeze_frame(obd::Survey& survey, scan::ScanToolLink& link, obd::DecoderState& decoder,
                      obd::SurveyState& state, obd::SurveyView& view) {
    link.state().NoVehicleLink = false;
    state.PIDCount = 0;
    view.clearDataList();
    state.DataLogItems.setStringList({}); // the logger's items follow the list's lines
    decoder.PIDMode = QStringLiteral("02");
    decoder.PIDOffset = 1;

    const QString reply = link.request(QStringLiteral("02000A"), 22);
    if (core::mid(reply, 2, 1) == QLatin1String("S") || reply.size() <= 21) {
        link.noteUnanswered();
        view.setLinkText(QStringLiteral("ECU Timeout, Freeze Frame not Supported"));
        view.setLinkColour(scan::LinkColour::Red);
        return;
    }
    view.setLinkText(QStringLiteral("ECU Connected"));
    view.setLinkColour(scan::LinkColour::Green);
    if (core::mid(reply, 6, 1) == QLatin1String("D")) {
        view.setStatusText(
            QStringLiteral("The ECU communicating does not support OBD-II data, you can read/clear "
                           "it's trouble codes or Click 'Change ECU' "));
        return;
    }
    view.setStatusText(QStringLiteral("\r\nECU #=") + core::mid(reply, 6, 2) +
                       QStringLiteral("\r\n"));
    const auto byte = [&reply](int position) {
        return scan::conv_hex(core::mid(reply, position, 2));
    };
    const int A = byte(14), B = byte(16), C = byte(18), D = byte(20);
    if (A == 0) {
        view.setStatusText(QStringLiteral("\r\n"));
        view.appendStatusText(QStringLiteral("\r\nNot Supported by this ECU\r\n"));
    }
    survey.findPID1(A);
    if (!state.NoFreezeFrame) {
        survey.findPID2(B);
        survey.findPID3(C);
        survey.findPID4(D);
    }
    state.NoFreezeFrame = false;
}

} // namespace diag
