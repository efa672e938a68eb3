// SPDX-License-Identifier: GPL-3.0-or-later
#include "trouble_codes.h"

#include "core/number_text.h"
#include "obd/dtc.h"

#include <algorithm>

namespace diag {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
// The status and code waits: more than this many characters make a reply.
constexpr int kStatusThreshold = 18;
constexpr int kCodeThreshold = 21;
// A code reply is one frame of three codes; a reply through an adapter may carry further frames
// of the same shape back to back, so that no code is lost.
constexpr int kCodeFrameBytes = 10;
constexpr int kCodeFrameLength = 1 + 2 * (kCodeFrameBytes + 1);

// Where each frame of a code reply starts (0-based): the first, then further ones of the same
// shape, each whole with its checksum. A frame that repeats an earlier one is left out, so that
// no code is listed twice.
QList<int> codeFrames(const scan::Reply& reply) {
    const QStringView text(reply.text());
    QList<int> starts{0};
    for (int at = kCodeFrameLength; text.size() >= at + kCodeFrameLength; at += kCodeFrameLength) {
        const QStringView next = text.mid(at, kCodeFrameLength);
        if (next[0] != text[0] || !scan::checksumHolds(next, kCodeFrameBytes) ||
            next.mid(7, 2) != text.mid(7, 2))
            break;
        const bool repeated = std::any_of(starts.begin(), starts.end(), [&](int start) {
            return text.mid(start, kCodeFrameLength) == next;
        });
        if (!repeated)
            starts.append(at);
    }
    return starts;
}

// The 1-based position of the nth code (from 1) of a reply whose frames start at `frames`.
int codePosition(const QList<int>& frames, int n) {
    return frames[(n - 1) / 3] + 10 + 4 * ((n - 1) % 3);
}
} // namespace

CodeReader::CodeReader(scan::ScanToolLink& link, scan::LinkView& view, core::Prompter& prompter,
                       const TroubleCodeDefinitions& definitions, scan::Timing& timing,
                       std::chrono::seconds storedCodeLimit)
    : link_(link), view_(view), prompter_(prompter), definitions_(definitions), timing_(timing),
      storedCodeLimit_(storedCodeLimit) {}

void CodeReader::append(const QString& text) {
    view_.appendStatusText(text);
}

scan::Reply CodeReader::requestStoredCodes() {
    if (std::optional<scan::Reply> notReady = link_.awaitVehicle())
        return *notReady;
    const double start = double(core::roundHalfEven(timing_.CurrentTime()));
    const double limit = start + double(storedCodeLimit_.count());
    return link_.exchange(
        QStringLiteral("030A0A"), kCodeThreshold,
        scan::Deadline::when([this, limit] { return timing_.CurrentTime() > limit; }));
}

void CodeReader::read() {
    link_.state().NoVehicleLink = false;
    view_.setStatusText(kCrLf);
    const auto interrupted = [this](const scan::Reply& reply) {
        link_.noteUnanswered();
        append(scan::interruptionText(reply, QStringLiteral("Reading the trouble codes")) + kCrLf);
    };

    const scan::Reply status = link_.request(QStringLiteral("010109"), kStatusThreshold);
    if (status.ended())
        return interrupted(status);
    if (!status.answered()) {
        link_.noteUnanswered();
        view_.setLinkText(QStringLiteral("ECU Timeout"));
        view_.setLinkColour(scan::LinkColour::Red);
        if (status.status() != scan::Reply::Status::EcuTimeout)
            append(scan::noAnswerText(status, QStringLiteral("monitor status")) + kCrLf);
    } else {
        view_.setLinkText(QStringLiteral("ECU Connected"));
        view_.setLinkColour(scan::LinkColour::Green);
        append(QStringLiteral("ECU #=") + status.ecu() + kCrLf);
        const int A = status.byte(12);
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
            const scan::Reply stored = requestStoredCodes();
            if (stored.ended())
                return interrupted(stored);
            if (stored.status() == scan::Reply::Status::Late) {
                link_.noteUnanswered();
                append(QStringLiteral("==== Timeout waiting for Trouble Codes") + kCrLf);
                return;
            }
            showStoredCodes(stored, count);
        }
    }
    const scan::Reply pending = link_.request(QStringLiteral("070A0A"), kCodeThreshold);
    // The pending request's ready wait paints the box green; it still says "ECU Timeout".
    if (!status.answered())
        view_.setLinkColour(scan::LinkColour::Red);
    if (pending.ended())
        return interrupted(pending);
    showPendingCodes(pending);
}

bool CodeReader::answered(const scan::Reply& reply, const QString& what) {
    if (reply.answered())
        return true;
    link_.noteUnanswered();
    append(scan::noAnswerText(reply, what));
    return false;
}

void CodeReader::showStoredCodes(const scan::Reply& reply, int count) {
    if (!answered(reply, QStringLiteral("stored trouble code"))) {
        append(kCrLf);
        return;
    }
    if (reply.mid(2, 2) == QLatin1String("FF"))
        return;
    if (obd::isNoCode(reply.mid(10, 4))) {
        append(QStringLiteral("No Codes to Report"));
        return;
    }
    // The reported count decides how many of the fields are codes.
    const QList<int> frames = codeFrames(reply);
    for (int n = 1; n <= std::max(1, std::min<int>(count, 3 * frames.size())); ++n) {
        const QString code = obd::dtcText(reply.mid(codePosition(frames, n), 4));
        append(QStringLiteral("TC%1 -").arg(n) + code + kCrLf +
               definitions_.get_tc_definition(code) + kCrLf);
    }
}

void CodeReader::showPendingCodes(const scan::Reply& reply) {
    if (!answered(reply, QStringLiteral("pending trouble code")))
        return;
    if (reply.byte(2) >= 254) {
        append(QStringLiteral("No pending codes reported"));
        return;
    }
    if (obd::isNoCode(reply.mid(10, 4))) {
        append(QStringLiteral("No Pending Codes to Report"));
        return;
    }
    const auto codeText = [this](const QString& field) {
        const QString code = obd::dtcText(field);
        return code + QStringLiteral("--") + definitions_.get_tc_definition(code);
    };
    append(QStringLiteral("Pending Code 1 -") + codeText(reply.mid(10, 4)));
    const QList<int> frames = codeFrames(reply);
    for (int n = 2; n <= 3 * frames.size(); ++n) {
        const int position = codePosition(frames, n);
        append(kCrLf);
        if (reply.mid(position, 2) == QLatin1String("00"))
            continue;
        append(QStringLiteral("Pending Code %1 -").arg(n) + codeText(reply.mid(position, 4)));
    }
    append(kCrLf + QStringLiteral("A code of 0000 means no code"));
}

} // namespace diag
