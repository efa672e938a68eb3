// SPDX-License-Identifier: GPL-3.0-or-later
#include "pid_request.h"

#include <algorithm>

namespace obd {

namespace {
// Services and PIDs are written as two hex digits, as the value table and the survey keep them.
quint8 hexByte(const QString& text) {
    return quint8(text.toUInt(nullptr, 16));
}

// A data PID whose length is known, so that an answer to several can be split.
bool batchable(int pid) {
    return pid > 0 && pid < 0x100 && pid % 0x20 != 0 && scan::pidDataBytes(pid) > 0;
}

// The ECU took the request but gave no data for the PID: it answered the others, said nothing
// at all, or refused the request of several.
bool leftOut(const scan::ObdAnswer& answer) {
    return answer.answered() || answer.status() == scan::AnswerStatus::EcuTimeout ||
           answer.status() == scan::AnswerStatus::Refused;
}
} // namespace

scan::ObdAnswer PidRequest::ask(const scan::ObdRequest& request) {
    const auto ahead = request.service == 0x01 && request.parameters.size() == 1
                           ? ahead_.find(quint8(request.parameters[0]))
                           : ahead_.end();
    scan::ObdAnswer answer;
    if (ahead == ahead_.end())
        answer = driver_.ask(request);
    else if (ahead->second.answered())
        answer = ahead->second.ofPid(ahead->first, request.answerBytes);
    else
        answer = ahead->second;
    if (!answer.answered())
        link_.noteUnanswered();
    return answer;
}

scan::ObdAnswer PidRequest::askPid(const QString& service, const QString& pid, int dataBytes) {
    link_.state().NoVehicleLink = false;
    view_.setLinkColour(scan::LinkColour::Green);
    return ask({hexByte(service), QByteArray(1, char(hexByte(pid))), 1 + dataBytes, {}});
}

scan::ObdAnswer PidRequest::askAlone(quint8 pid) {
    return driver_.ask({0x01, QByteArray(1, char(pid)), 1 + scan::pidDataBytes(pid), {}});
}

std::vector<quint8> PidRequest::askAhead(std::span<const int> pids) {
    std::vector<quint8> batch;
    for (int pid : pids) {
        if (batchable(pid) && !ahead_.contains(quint8(pid)) &&
            std::find(batch.begin(), batch.end(), quint8(pid)) == batch.end())
            batch.push_back(quint8(pid));
    }
    // A lone PID is asked as it comes.
    if (batch.size() < 2 || !driver_.capabilities().severalPids)
        return {};
    link_.state().NoVehicleLink = false;
    view_.setLinkColour(scan::LinkColour::Green);
    std::vector<quint8> kept;
    // An answer that ends the pass stands for every PID not yet answered.
    const auto keepFrom = [&](std::size_t from, const scan::ObdAnswer& answer) {
        for (std::size_t i = from; i < batch.size(); ++i) {
            ahead_.insert_or_assign(batch[i], answer);
            kept.push_back(batch[i]);
        }
    };
    for (std::size_t first = 0; first + 1 < batch.size(); first += scan::kMaxPidsARequest) {
        if (!driver_.capabilities().severalPids)
            break;
        const std::size_t end = std::min(batch.size(), first + scan::kMaxPidsARequest);
        const QByteArray asked(reinterpret_cast<const char*>(batch.data() + first),
                               qsizetype(end - first));
        const scan::ObdAnswer answer = driver_.ask({0x01, asked, 0, {}});
        if (answer.ended()) {
            keepFrom(first, answer);
            break;
        }
        // Damaged or late: each is asked alone as it comes.
        if (!leftOut(answer))
            continue;
        for (std::size_t i = first; i < end; ++i) {
            const quint8 pid = batch[i];
            scan::ObdAnswer one =
                answer.answered() ? answer.ofPid(pid, 1 + scan::pidDataBytes(pid)) : answer;
            if (!one.answered()) {
                one = askAlone(pid);
                if (one.answered())
                    driver_.onePidARequest();
            }
            if (one.ended()) {
                keepFrom(i, one);
                return kept;
            }
            ahead_.insert_or_assign(pid, one);
            kept.push_back(pid);
        }
    }
    return kept;
}

} // namespace obd
