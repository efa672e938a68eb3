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

// How many codes an ECU's answer carries.
int codeCount(const scan::EcuAnswer& ecu) {
    return int(ecu.data.size() - 1) / 2;
}

int byteAt(const scan::EcuAnswer& ecu, int index) {
    return index < ecu.data.size() ? quint8(ecu.data[index]) : 0;
}

// The nth code (from 1) as its four hex digits, "0300".
QString codeField(const scan::EcuAnswer& ecu, int n) {
    return obd::codeField(byteAt(ecu, 2 * n - 1), byteAt(ecu, 2 * n));
}

// When several ECUs answered, each code line names its ECU as "ECU #=" does: "ECU E9: ".
QString ecuPrefix(const scan::ObdAnswer& answer, const scan::EcuAnswer& ecu) {
    return answer.ecus().size() > 1
               ? QStringLiteral("ECU ") + scan::ecuText(ecu.address) + QStringLiteral(": ")
               : QString();
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
    bool any = false;
    for (const scan::EcuAnswer& ecu : answer.ecus()) {
        if (obd::isNoCode(codeField(ecu, 1)))
            continue;
        any = true;
        // The current ECU's reported count decides how many of its fields are codes; another
        // ECU's empty fields only fill its last group.
        const bool current = &ecu == &answer.ecus().front();
        const int last = current ? std::max(1, std::min(count, codeCount(ecu))) : codeCount(ecu);
        for (int n = 1; n <= last; ++n) {
            if (!current && obd::isNoCode(codeField(ecu, n)))
                continue;
            const QString code = obd::dtcText(codeField(ecu, n));
            append(ecuPrefix(answer, ecu) + QStringLiteral("TC%1 -").arg(n) + code + kCrLf +
                   definitions_.definitionOf(code) + kCrLf);
        }
    }
    if (!any)
        append(QStringLiteral("No Codes to Report"));
}

void CodeReader::showPendingCodes(const scan::ObdAnswer& answer) {
    if (!answered(answer, QStringLiteral("pending trouble code")))
        return;
    if (answer.ecus().isEmpty()) {
        append(QStringLiteral("No pending codes reported"));
        return;
    }
    const auto codeText = [this](const QString& field) {
        const QString code = obd::dtcText(field);
        return code + QStringLiteral("--") + definitions_.definitionOf(code);
    };
    bool any = false;
    for (const scan::EcuAnswer& ecu : answer.ecus()) {
        if (obd::isNoCode(codeField(ecu, 1)))
            continue;
        if (any)
            append(kCrLf);
        any = true;
        const QString prefix = ecuPrefix(answer, ecu);
        append(prefix + QStringLiteral("Pending Code 1 -") + codeText(codeField(ecu, 1)));
        for (int n = 2; n <= codeCount(ecu); ++n) {
            // A lone ECU's empty fields stay blank lines; among several they would only part
            // one ECU's codes from the next.
            if (byteAt(ecu, 2 * n - 1) == 0) {
                if (prefix.isEmpty())
                    append(kCrLf);
                continue;
            }
            append(kCrLf + prefix + QStringLiteral("Pending Code %1 -").arg(n) +
                   codeText(codeField(ecu, n)));
        }
    }
    append(any ? kCrLf + QStringLiteral("A code of 0000 means no code")
               : QStringLiteral("No Pending Codes to Report"));
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
    for (const scan::EcuAnswer& ecu : answer.ecus()) {
        int shown = 0;
        for (int n = 1; n <= codeCount(ecu); ++n) {
            const QString field = codeField(ecu, n);
            if (obd::isNoCode(field))
                continue;
            const QString code = obd::dtcText(field);
            lines << ecuPrefix(answer, ecu) + QStringLiteral("Permanent Code %1 -").arg(++shown) +
                         code + QStringLiteral("--") + definitions_.definitionOf(code);
        }
    }
    append(lines.isEmpty() ? QStringLiteral("No Permanent Codes to Report") : lines.join(kCrLf));
}

} // namespace diag
