// SPDX-License-Identifier: GPL-3.0-or-later
#include "pass_through.h"

#include <algorithm>

namespace diag {

scan::AnswerStatus PassThrough::send(quint8 service, quint8 testId, quint8 componentId,
                                     int length) {
    reply.fill(0);
    const scan::Driver::RawAnswer answer =
        driver_.passThrough(service, testId, componentId, length);
    if (answer.status == scan::AnswerStatus::Refused) {
        prompter_.message({QStringLiteral("PASS command not acknowledged")});
        return answer.status;
    }
    if (answer.status != scan::AnswerStatus::Answered) {
        link_.noteUnanswered();
        return answer.status;
    }
    std::copy(answer.bytes.begin(), answer.bytes.end(), reply.begin());
    return answer.status;
}

} // namespace diag
