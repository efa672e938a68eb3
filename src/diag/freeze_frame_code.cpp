#include "freeze_frame_code.h"

#include "core/number_text.h"

namespace diag {

void get_trouble_codes(obd::PidRequest& request, const obd::DecoderState& decoder,
                       obd::SurveyState& survey, obd::SurveyView& view) {
    survey.NoFreezeFrame = false;
    const QString reply = request.get_ecu_PID(decoder.PIDMode, QStringLiteral("02"), 8);
    const QString noFrame = QStringLiteral("\r\n No Freeze Frame Data Stored");
    if (reply.isEmpty() || core::mid(reply, 2, 1) == QLatin1String("S")) {
        view.appendStatusText(noFrame);
        return;
    }
    // The code's two bytes follow the frame byte in a freeze-frame reply, the PID in a current one.
    const int position = decoder.PIDMode == QLatin1String("02") ? 14 : 12;
    const QString code = core::mid(reply, position, 4);
    if (code == QLatin1String("0000")) {
        view.setStatusText(QStringLiteral("\r\n"));
        view.appendStatusText(noFrame + QStringLiteral("\r\n"));
        survey.NoFreezeFrame = true;
        return;
    }
    view.appendStatusText(QStringLiteral("\r\nFreeze Frame T.C. -P") + code +
                          QStringLiteral("\r\n"));
    view.setDataListColour(QColor(255, 0, 0));
}

} // namespace diag
