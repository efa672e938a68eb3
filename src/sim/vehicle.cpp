#include "vehicle.h"

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
    // Services $03-$07 (trouble codes, clearing, O2 and on-board tests) get their handlers here;
    // until then the ECU does not answer them.
    case 0x80:
        return nextEcuReply();
    case 0x90:
        return firmwareReply();
    // 0xF0 (pass-through) will acknowledge here and take the vehicle message that follows.
    default:
        return unanswered(command);
    }
}

QByteArray Vehicle::unanswered(const Command& command) const {
    return unansweredFrame(profile_.leadingChar, command.length);
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
    if (const auto* fixed = std::get_if<QByteArray>(&it->second))
        return *fixed;
    return encodeAt(pid, std::get<MovingValue>(it->second), seconds);
}

std::optional<QByteArray> Vehicle::freezeFrameData(quint8 pid) const {
    const Ecu& ecu = currentEcu();
    if (ecu.address == 0xD0)
        return std::nullopt;
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

QByteArray Vehicle::dataReply(const Command& command, char responseId,
                              const QByteArray& frameNumber, const QByteArray& data) const {
    QByteArray bytes;
    bytes.append(char(0x48)).append(char(0x6B)).append(char(currentEcu().address));
    bytes.append(responseId).append(char(command.parameter)).append(frameNumber).append(data);
    // The host asks for the length it will read: pad with zeros or cut to it.
    if (bytes.size() < command.length)
        bytes.append(QByteArray(command.length - bytes.size(), '\0'));
    bytes.truncate(command.length);
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
