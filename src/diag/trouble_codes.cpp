#include "trouble_codes.h"

#include "core/number_text.h"

#include <algorithm>

namespace diag {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
// A full reply: the leading character, three header bytes, the response id and three code fields.
constexpr int kCodeReplyLength = 21;

// A reply cut short, or the ECU's no-answer marker: its zeros are no codes.
bool unanswered(const QString& reply) {
    return reply.size() <= kCodeReplyLength || core::mid(reply, 2, 1) == QLatin1String("S");
}
} // namespace

QString dtcText(QString& reply, int position) {
    const QString field = core::mid(reply, position, 4);
    if (field.startsWith(QLatin1Char('C'))) {
        reply[position - 1] = QLatin1Char('0');
        return QStringLiteral("U0") + field.mid(1);
    }
    return QStringLiteral("P") + field;
}

void removeLeadingJunk(QString& reply) {
    if (reply.size() < 10 || reply[9].unicode() >= '0')
        return;
    reply = reply.left(9) + reply.mid(10, 12) + reply.mid(21);
}

TroubleCodeReader::TroubleCodeReader(scan::ScanToolLink& link, scan::LinkView& view,
                                     core::Prompter& prompter,
                                     const TroubleCodeDefinitions& definitions,
                                     scan::Timing& timing, std::chrono::seconds storedCodeLimit)
    : link_(link), view_(view), prompter_(prompter), definitions_(definitions), timing_(timing),
      storedCodeLimit_(storedCodeLimit) {}

void TroubleCodeReader::append(const QString& text) {
    view_.appendStatusText(text);
}

QString TroubleCodeReader::definition(const QString& code) const {
    return definitions_.get_tc_definition(code);
}

std::optional<QString> TroubleCodeReader::requestStoredCodes() {
    link_.OBDwait();
    link_.OBDinput();
    link_.OBDoutput(QStringLiteral("030A0A"));
    const double start = double(core::roundHalfEven(timing_.CurrentTime()));
    scan::LinkState& state = link_.state();
    while (!state.NoVehicleLink && link_.OBDinbuffercount() <= kCodeReplyLength) {
        if (timing_.CurrentTime() > start + double(storedCodeLimit_.count()))
            return std::nullopt;
        if (link_.cancelled() || link_.lost())
            break;
        link_.pumpEvents();
    }
    const QString reply = link_.OBDinput();
    link_.echo(reply);
    return reply;
}

void TroubleCodeReader::Mode3_Click() {
    scan::LinkState& state = link_.state();
    state.NoVehicleLink = false;
    view_.setStatusText(kCrLf);

    const QString status = link_.request(QStringLiteral("010109"), 18);
    const bool statusAnswered = status.size() > 18 && core::mid(status, 2, 1) != QLatin1String("S");
    if (!statusAnswered) {
        link_.noteUnanswered();
        view_.setLinkText(QStringLiteral("ECU Timeout"));
        view_.setLinkColour(scan::LinkColour::Red);
        if (core::mid(status, 2, 1) != QLatin1String("S"))
            append(QStringLiteral("No answer to the monitor status request.") + kCrLf);
    } else {
        view_.setLinkText(QStringLiteral("ECU Connected"));
        view_.setLinkColour(scan::LinkColour::Green);
        append(QStringLiteral("ECU #=") + core::mid(status, 6, 2) + kCrLf);
        const int A = scan::conv_hex(core::mid(status, 12, 2));
        const bool milOn = A > 127;
        const int count = milOn ? A - 128 : A;
        append((milOn ? QStringLiteral("MIL is ON") : QStringLiteral("MIL is OFF")) + kCrLf);
        append(QStringLiteral("Vehicle Reports ") + core::numberText(count) +
               QStringLiteral(" Stored Trouble Code(s)") + kCrLf);
        const bool read =
            count > 0 ||
            prompter_.ask({QStringLiteral("The MIL is off, read codes anyway?"),
                           QStringLiteral("Read Codes?"), core::Prompter::Icon::Stop, false});
        if (read) {
            const std::optional<QString> stored = requestStoredCodes();
            if (!stored) {
                link_.noteUnanswered();
                append(QStringLiteral("==== Timeout waiting for Trouble Codes") + kCrLf);
                return;
            }
            showStoredCodes(*stored, count);
        }
    }
    showPendingCodes(link_.request(QStringLiteral("070A0A"), kCodeReplyLength));
}

std::optional<QString> TroubleCodeReader::firstCode(QString& reply, const QString& noAnswer,
                                                    const QString& noCodes) {
    if (unanswered(reply)) {
        // Missing characters are no codes: say that the answer did not come.
        link_.noteUnanswered();
        append(noAnswer);
        return std::nullopt;
    }
    removeLeadingJunk(reply);
    const QString first = dtcText(reply, 10);
    if (core::mid(reply, 10, 4) == QLatin1String("0000")) {
        append(noCodes);
        return std::nullopt;
    }
    return first;
}

void TroubleCodeReader::showStoredCodes(QString reply, int count) {
    if (core::mid(reply, 2, 2) == QLatin1String("FF"))
        return;
    const std::optional<QString> found =
        firstCode(reply, QStringLiteral("No answer to the stored trouble code request.") + kCrLf,
                  QStringLiteral("No Codes to Report"));
    if (!found)
        return;
    const QString& first = *found;
    append(QStringLiteral("TC1 -") + first + kCrLf + definition(first) + kCrLf);
    // The reported count decides how many of the other two fields are codes.
    for (int n = 2; n <= std::min(count, 3); ++n) {
        const QString code = dtcText(reply, 6 + 4 * n);
        append(QStringLiteral("TC%1 -").arg(n) + code + kCrLf + definition(code) + kCrLf);
    }
}

void TroubleCodeReader::showPendingCodes(QString reply) {
    if (scan::conv_hex(core::mid(reply, 2, 2)) >= 254) {
        append(QStringLiteral("No pending codes reported"));
        return;
    }
    const std::optional<QString> found =
        firstCode(reply, QStringLiteral("No answer to the pending trouble code request."),
                  QStringLiteral("No Pending Codes to Report"));
    if (!found)
        return;
    const QString& first = *found;
    append(QStringLiteral("Pending Code 1 -") + first + QStringLiteral("--") + definition(first));
    for (const int position : {14, 18}) {
        append(kCrLf);
        if (core::mid(reply, position, 2) == QLatin1String("00"))
            continue;
        const QString code = dtcText(reply, position);
        append(QStringLiteral("Pending Code %1 -").arg(position == 14 ? 2 : 3) + code +
               QStringLiteral("--") + definition(code));
    }
    append(kCrLf + QStringLiteral("A code of 0000 means no code"));
}

} // namespace diag
