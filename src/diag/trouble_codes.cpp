// SPDX-License-Identifier: GPL-3.0-or-later
#include "trouble_codes.h"

#include "core/number_text.h"
#include "obd/dtc.h"

#include <algorithm>

namespace diag {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
// A code answer: the response id, then two bytes a code, three codes a frame.
constexpr int kCodeAnswerBytes = 6;

// How many codes an answer carries.
int codeCount(const scan::ObdAnswer& answer) {
    return answer.ecus().isEmpty() ? 0 : int(answer.ecus().front().data.size() - 1) / 2;
}

// The nth code (from 1) as its four hex digits, "0300".
QString codeField(const scan::ObdAnswer& answer, int n) {
    return obd::codeField(answer.byte(2 * n - 1), answer.byte(2 * n));
}
} // namespace

CodeReader::CodeReader(scan::ScanToolLink& link, scan::Driver& driver, scan::LinkView& view,
                       core::Prompter& prompter, const TroubleCodeDefinitions& definitions,
                       scan::Timing& timing, std::chrono::seconds storedCodeLimit)
    : link_(link), driver_(driver), view_(view), prompter_(prompter), definitions_(definitions),
      timing_(timing), storedCodeLimit_(storedCodeLimit) {}

void CodeReader::append(const QString& text) {
    view_.appendStatusText(text);
}

scan::ObdAnswer CodeReader::requestStoredCodes() {
    const double start = double(core::roundHalfEven(timing_.CurrentTime()));
    const double limit = start + double(storedCodeLimit_.count());
    return driver_.ask({0x03, {}, kCodeAnswerBytes, scan::Deadline::when([this, limit] {
                            return timing_.CurrentTime() > limit;
                        })});
}

void CodeReader::read() {
    link_.state().NoVehicleLink = false;
    view_.setStatusText(kCrLf);
    const auto interrupted = [this](const scan::ObdAnswer& reply) {
        link_.noteUnanswered();
        append(scan::interruptionText(reply, QStringLiteral("Reading the trouble codes")) + kCrLf);
    };

    const scan::ObdAnswer status = driver_.ask({0x01, QByteArray(1, 0x01), 5, {}});
    if (status.ended())
        return interrupted(status);
    if (!status.answered()) {
        link_.noteUnanswered();
        view_.setLinkText(QStringLiteral("ECU Timeout"));
        view_.setLinkColour(scan::LinkColour::Red);
        if (status.status() != scan::AnswerStatus::EcuTimeout)
            append(scan::noAnswerText(status, QStringLiteral("monitor status")) + kCrLf);
    } else {
        view_.setLinkText(QStringLiteral("ECU Connected"));
        view_.setLinkColour(scan::LinkColour::Green);
        append(QStringLiteral("ECU #=") + status.ecu() + kCrLf);
        const int A = status.byte(2);
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
            const scan::ObdAnswer stored = requestStoredCodes();
            if (stored.ended())
                return interrupted(stored);
            if (stored.status() == scan::AnswerStatus::Late) {
                link_.noteUnanswered();
                append(QStringLiteral("==== Timeout waiting for Trouble Codes") + kCrLf);
                return;
            }
            showStoredCodes(stored, count);
        }
    }
    // The later requests' ready waits paint the box green; it still says "ECU Timeout".
    const auto askCodes = [&](quint8 service) {
        const scan::ObdAnswer answer = driver_.ask({service, {}, kCodeAnswerBytes, {}});
        if (!status.answered())
            view_.setLinkColour(scan::LinkColour::Red);
        return answer;
    };
    const scan::ObdAnswer pending = askCodes(0x07);
    if (pending.ended())
        return interrupted(pending);
    showPendingCodes(pending);
    const scan::ObdAnswer permanent = askCodes(0x0A);
    if (permanent.ended())
        return interrupted(permanent);
    showPermanentCodes(permanent);
}

bool CodeReader::answered(const scan::ObdAnswer& answer, const QString& what) {
    if (answer.answered())
        return true;
    link_.noteUnanswered();
    append(scan::noAnswerText(answer, what));
    return false;
}

void CodeReader::showStoredCodes(const scan::ObdAnswer& answer, int count) {
    if (!answered(answer, QStringLiteral("stored trouble code"))) {
        append(kCrLf);
        return;
    }
    if (answer.ecus().isEmpty())
        return;
    if (obd::isNoCode(codeField(answer, 1))) {
        append(QStringLiteral("No Codes to Report"));
        return;
    }
    // The reported count decides how many of the fields are codes.
    for (int n = 1; n <= std::max(1, std::min(count, codeCount(answer))); ++n) {
        const QString code = obd::dtcText(codeField(answer, n));
        append(QStringLiteral("TC%1 -").arg(n) + code + kCrLf + definitions_.definitionOf(code) +
               kCrLf);
    }
}

void CodeReader::showPendingCodes(const scan::ObdAnswer& answer) {
    if (!answered(answer, QStringLiteral("pending trouble code")))
        return;
    if (answer.ecus().isEmpty()) {
        append(QStringLiteral("No pending codes reported"));
        return;
    }
    if (obd::isNoCode(codeField(answer, 1))) {
        append(QStringLiteral("No Pending Codes to Report"));
        return;
    }
    const auto codeText = [this](const QString& field) {
        const QString code = obd::dtcText(field);
        return code + QStringLiteral("--") + definitions_.definitionOf(code);
    };
    append(QStringLiteral("Pending Code 1 -") + codeText(codeField(answer, 1)));
    for (int n = 2; n <= codeCount(answer); ++n) {
        append(kCrLf);
        if (answer.byte(2 * n - 1) == 0)
            continue;
        append(QStringLiteral("Pending Code %1 -").arg(n) + codeText(codeField(answer, n)));
    }
    append(kCrLf + QStringLiteral("A code of 0000 means no code"));
}

void CodeReader::showPermanentCodes(const scan::ObdAnswer& answer) {
    append(kCrLf);
    // A vehicle without the service refuses it, or no ECU answers it.
    if (answer.status() == scan::AnswerStatus::Refused ||
        answer.status() == scan::AnswerStatus::EcuTimeout) {
        append(QStringLiteral("Permanent codes not supported"));
        return;
    }
    if (!answered(answer, QStringLiteral("permanent trouble code")))
        return;
    QStringList lines;
    for (int n = 1; n <= codeCount(answer); ++n) {
        const QString field = codeField(answer, n);
        if (obd::isNoCode(field))
            continue;
        const QString code = obd::dtcText(field);
        lines << QStringLiteral("Permanent Code %1 -").arg(lines.size() + 1) + code +
                     QStringLiteral("--") + definitions_.definitionOf(code);
    }
    append(lines.isEmpty() ? QStringLiteral("No Permanent Codes to Report") : lines.join(kCrLf));
}

} // namespace diag
