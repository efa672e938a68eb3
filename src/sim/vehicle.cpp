// SPDX-License-Identifier: GPL-3.0-or-later
#include "vehicle.h"

#include <algorithm>
#include <utility>

namespace sim {

namespace {

template <typename Map> bool definesAbove(const Map& pids, int pid) {
    return pid < 0xFF && pids.upper_bound(static_cast<quint8>(pid)) != pids.end();
}

template <typename Map> QByteArray supportMap(const Map& pids, int base) {
    QByteArray map(4, '\0');
    for (int i = 1; i <= 32; ++i) {
        const int pid = base + i;
        const bool set = i == 32 ? definesAbove(pids, pid) : pids.count(quint8(pid)) > 0;
        if (set)
            map[(i - 1) / 8] = char(map[(i - 1) / 8] | (0x80 >> ((i - 1) % 8)));
    }
    return map;
}

} // namespace

Vehicle::Vehicle(Profile profile) : profile_(std::move(profile)), reachable_(profile_.reachable) {
    if (profile_.ecus.empty())
        profile_.ecus.push_back(Ecu{});
}

QByteArray Vehicle::answer(const Command& command, double seconds) {
    switch (command.service) {
    case 0x01:
        return reachable_ ? currentDataReply(command, seconds) : unanswered(command);
    case 0x02:
        return reachable_ ? freezeFrameReply(command) : unanswered(command);
    case 0x03:
        return reachable_ ? codesReply(command, 0x43, currentEcu().storedCodes)
                          : unanswered(command);
    case 0x04:
        return reachable_ ? clearReply(command) : unanswered(command);
    case 0x07:
        return reachable_ ? codesReply(command, 0x47, currentEcu().pendingCodes)
                          : unanswered(command);
    case 0x05:
    case 0x06:
        return reachable_ ? o2TestReply(command) : unanswered(command);
    case 0x80:
        return nextEcuReply();
    case 0x90:
        return firmwareReply();
    case 0xF0:
        return passThroughAck();
    default:
        return unanswered(command);
    }
}

QByteArray Vehicle::unanswered(const Command& command) const {
    return unansweredFrame(profile_.leadingChar, replyLength(command));
}

QByteArray Vehicle::damaged(const Command& command) const {
    return damagedFrame(profile_.leadingChar, replyLength(command));
}

int Vehicle::replyLength(const Command& command) {
    // The O2 test commands carry the sensor code where others ask for a length: their replies
    // are the header, the response id, the test id and then the support bytes (with the sensor
    // code in front and a spare byte after), the value, or the value and its limits.
    if (command.service == 0x05 || command.service == 0x06) {
        if (command.parameter == 0)
            return 9;
        return command.parameter <= 4 ? 6 : 8;
    }
    return command.length;
}

QByteArray Vehicle::refusal(const Command& command, quint8 reason) const {
    return ecuReply(command,
                    QByteArray(1, char(0x7F)).append(char(command.service)).append(char(reason)));
}

std::optional<QByteArray> Vehicle::currentData(quint8 pid, double seconds) const {
    const Ecu& ecu = currentEcu();
    if (pid % 0x20 == 0) {
        if (pid != 0 && !definesAbove(ecu.pids, pid))
            return std::nullopt;
        return supportMap(ecu.pids, pid);
    }
    const auto it = ecu.pids.find(pid);
    if (it == ecu.pids.end())
        return std::nullopt;
    if (const auto* fixed = std::get_if<QByteArray>(&it->second)) {
        QByteArray data = *fixed;
        if (pid == 0x01 && ecu.mil) {
            if (data.isEmpty())
                data.append('\0');
            const auto count = std::min<std::size_t>(ecu.storedCodes.size(), 0x7F);
            data[0] = char((*ecu.mil ? 0x80 : 0) | count);
        }
        return data;
    }
    return encodeAt(pid, std::get<MovingValue>(it->second), seconds);
}

std::optional<QByteArray> Vehicle::freezeFrameData(quint8 pid) const {
    const Ecu& ecu = currentEcu();
    // As in service $01, an ECU without OBD data answers only an all-clear map.
    if (ecu.pids.empty())
        return pid == 0 ? std::optional<QByteArray>(QByteArray(4, '\0')) : std::nullopt;
    // Without a stored frame the ECU still answers PID $02, with the code 0000.
    static const std::map<quint8, QByteArray> noFrame{{0x02, QByteArray(2, '\0')}};
    const auto& frame = ecu.freezeFrame.empty() ? noFrame : ecu.freezeFrame;
    if (pid % 0x20 == 0) {
        if (pid != 0 && !definesAbove(frame, pid))
            return std::nullopt;
        return supportMap(frame, pid);
    }
    const auto it = frame.find(pid);
    return it == frame.end() ? std::nullopt : std::optional<QByteArray>(it->second);
}

QByteArray Vehicle::currentDataReply(const Command& command, double seconds) const {
    const std::optional<QByteArray> data = currentData(command.parameter, seconds);
    return data ? dataReply(command, 0x41, QByteArray(), *data) : unanswered(command);
}

QByteArray Vehicle::freezeFrameReply(const Command& command) const {
    const std::optional<QByteArray> data = freezeFrameData(command.parameter);
    return data ? dataReply(command, 0x42, QByteArray(1, '\0'), *data) : unanswered(command);
}

// One frame holds three codes. An ECU with more would send further frames, which the box does
// not pass on.
QByteArray Vehicle::codesReply(const Command& command, char responseId,
                               const std::vector<quint16>& codes) const {
    QByteArray payload(1, responseId);
    for (std::size_t i = 0; i < 3; ++i) {
        const quint16 code = i < codes.size() ? codes[i] : 0;
        payload.append(char(code >> 8)).append(char(code & 0xFF));
    }
    return ecuReply(command, payload);
}

QByteArray Vehicle::clearReply(const Command& command) {
    Ecu& ecu = profile_.ecus[ecuIndex_];
    if (ecu.clearRefused)
        return refusal(command, 0x22); // conditions not correct
    ecu.storedCodes.clear();
    ecu.pendingCodes.clear();
    ecu.freezeFrame.clear();
    ecu.mil = false;
    return ecuReply(command, QByteArray(1, char(0x44)));
}

QByteArray Vehicle::o2TestReply(const Command& command) const {
    const std::optional<O2TestResults>& results = currentEcu().o2Tests;
    const quint8 sensor = command.length;
    if (!results)
        return refusal(command, 0x12); // sub-function not supported
    const auto tests = results->sensors.find(sensor);
    if (tests == results->sensors.end())
        return refusal(command, 0x12);
    QByteArray payload(1, char(command.service == 0x05 ? results->supportReplyId : 0x46));
    payload.append(char(command.parameter));
    if (command.parameter == 0) {
        // Bit 7 of the first byte is test $01 ... bit 0 test $08; bit 7 of the second test $09.
        quint16 bits = 0;
        for (const auto& test : tests->second)
            bits |= quint16(0x100 >> (test.first - 1));
        payload.append(char(sensor)).append(char(bits >> 1)).append(char((bits & 1) << 7));
        return ecuReply(command, payload);
    }
    const auto test = tests->second.find(command.parameter);
    if (test == tests->second.end())
        return refusal(command, 0x12);
    return ecuReply(command, payload.append(test->second));
}

QByteArray Vehicle::dataReply(const Command& command, char responseId,
                              const QByteArray& frameNumber, const QByteArray& data) const {
    QByteArray payload(1, responseId);
    payload.append(char(command.parameter)).append(frameNumber).append(data);
    return ecuReply(command, payload);
}

QByteArray Vehicle::ecuReply(const Command& command, const QByteArray& payload) const {
    QByteArray bytes;
    bytes.append(char(0x48)).append(char(0x6B)).append(char(currentEcu().address));
    bytes.append(payload);
    // The host asks for the length it will read: pad with zeros or cut to it.
    const int length = replyLength(command);
    if (bytes.size() < length)
        bytes.append(QByteArray(length - bytes.size(), '\0'));
    bytes.truncate(length);
    return frame(profile_.leadingChar, bytes);
}

QByteArray Vehicle::nextEcuReply() {
    ecuIndex_ = (ecuIndex_ + 1) % profile_.ecus.size();
    return profile_.leadingChar + hexPairs(QByteArray(1, char(currentEcu().address))) + "00";
}

QByteArray Vehicle::firmwareReply() const {
    return profile_.leadingChar + profile_.firmware;
}

} // namespace sim

namespace sim {

namespace {

// The first two header bytes a pass-through command carries for the protocol digit.
std::pair<quint8, quint8> passThroughHeader(char protocol) {
    switch (protocol & 0x0F) {
    case 4:
        return {0x61, 0x6A};
    case 8:
        return {0xC3, 0x33};
    default:
        return {0x68, 0x6A};
    }
}

} // namespace

QByteArray Vehicle::passThroughAck() const {
    return profile_.leadingChar + QByteArray("A") + profile_.protocol;
}

QByteArray Vehicle::passThrough(const QByteArray& received) const {
    const QByteArray command = received.leftJustified(kPassThroughBytes, '\0', true);
    const auto at = [&command](int i) { return quint8(command.at(i)); };
    const auto [first, second] = passThroughHeader(profile_.protocol);
    const bool test = at(1) == 6 && at(6) != 0;
    const bool supported = at(1) == 5 && at(6) == 0 && at(7) == 0;
    const bool wellFormed = received.size() == kPassThroughBytes && at(0) == 0x01 &&
                            at(2) == first && at(3) == second && at(4) == 0xF1 && at(5) == 0x06 &&
                            (test || supported);
    QByteArray payload = wellFormed && reachable_ ? monitorTestResult(at(6), at(7)) : QByteArray();
    if (payload.isEmpty())
        payload = QByteArray(1, char(0x7F)).append(char(at(5))).append(char(0x12));
    QByteArray bytes;
    bytes.append(char(0x48)).append(char(0x6B)).append(char(currentEcu().address));
    bytes.append(payload);
    bytes.append(QByteArray(kPassThroughBytes - 1 - bytes.size(), '\0'));
    quint8 sum = 0;
    for (char b : bytes)
        sum = quint8(sum + quint8(b));
    return bytes.append(char(sum));
}

QByteArray Vehicle::monitorTestResult(quint8 testId, quint8 componentId) const {
    const auto& tests = currentEcu().monitorTests;
    if (testId == 0) {
        if (tests.empty())
            return {};
        QByteArray map(4, '\0');
        for (const auto& entry : tests) {
            const int bit = entry.first - 1;
            if (bit < 32)
                map[bit / 8] = char(map[bit / 8] | (0x80 >> (bit % 8)));
        }
        return QByteArray(1, char(0x46)).append(2, '\0').append(map);
    }
    const auto test = tests.find(testId);
    if (test == tests.end())
        return {};
    const auto component = test->second.find(componentId);
    if (component == test->second.end())
        return {};
    const MonitorTest& result = component->second;
    return QByteArray(1, char(0x46))
        .append(char((result.minimum ? 0x80 : 0) | componentId))
        .append(char(result.value >> 8))
        .append(char(result.value & 0xFF))
        .append(char(result.limit >> 8))
        .append(char(result.limit & 0xFF));
}

} // namespace sim
