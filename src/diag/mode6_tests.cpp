// SPDX-License-Identifier: GPL-3.0-or-later
#include "mode6_tests.h"

namespace diag {

std::optional<QString> Mode6Tests::ask(quint8 testId, quint8 componentId, int length) {
    const scan::AnswerStatus status = pass_.send(0x06, testId, componentId, length);
    if (scan::endsOperation(status))
        return scan::interruptionText(status, QStringLiteral("The on-board test request"));
    if (status != scan::AnswerStatus::Answered && status != scan::AnswerStatus::Refused)
        return scan::noAnswerText(status, QStringLiteral("on-board test"));
    if (pass_.reply[3] != 0x46)
        return kNoResponseText;
    return std::nullopt;
}

Mode6Reading Mode6Tests::readTestResult(quint8 testId, quint8 componentId, const QString& scaleText,
                                        const QString& units) {
    if (std::optional<QString> returned = ask(testId, componentId, 6))
        return {*returned, std::nullopt};
    return {{}, decodeTestResult(pass_.reply, scaleText, units)};
}

Mode6Scan Mode6Tests::scanSupportedTests() {
    if (std::optional<QString> returned = ask(0, 0, 5))
        return {*returned, {}};
    return {{}, supportedTestLines(pass_.reply)};
}

} // namespace diag
