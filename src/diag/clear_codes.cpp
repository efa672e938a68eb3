#include "clear_codes.h"

#include "core/number_text.h"

namespace diag {

void Mode4_Click(scan::ScanToolLink& link, scan::LinkView& view) {
    link.state().NoVehicleLink = false;
    view.setStatusText(QStringLiteral("\r\n"));
    const QString reply = link.request(QStringLiteral("040404"), 9);

    const bool timedOut = core::mid(reply, 2, 1) == QLatin1String("S");
    if (timedOut || reply.size() <= 9) {
        link.noteUnanswered();
        view.setLinkText(QStringLiteral("ECU Timeout"));
        view.setLinkColour(scan::LinkColour::Red);
        // Without an answer nobody knows whether the ECU cleared anything.
        if (!timedOut)
            view.setStatusText(
                QStringLiteral("No answer to the clear request: the trouble codes may not have "
                               "been cleared."));
        return;
    }
    view.setLinkText(QStringLiteral("ECU Connected"));
    view.setLinkColour(scan::LinkColour::Green);
    view.setStatusText(scan::conv_hex(core::mid(reply, 8, 2)) == 0x44
                           ? QStringLiteral("Trouble Codes Cleared")
                           : QStringLiteral("Operation Failed"));
}

} // namespace diag
