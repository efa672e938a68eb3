#include "vehicle.h"

#include <utility>

namespace sim {

namespace {

bool definesAbove(const Ecu& ecu, int pid) {
    return pid < 0xFF && ecu.pids.upper_bound(static_cast<quint8>(pid)) != ecu.pids.end();
}

QByteArray supportMap(const Ecu& ecu, int base) {
    QByteArray map(4, '\0');
    for (int i = 1; i <= 32; ++i) {
        const int pid = base + i;
        const bool set = i == 32 ? definesAbove(ecu, pid) : ecu.pids.count(quint8(pid)) > 0;
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
    // Services $02-$07 (freeze frame, trouble codes, clearing, O2 and on-board tests) get their
    // handlers here; until then the ECU does not answer them.
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
        if (pid != 0 && !definesAbove(ecu, pid))
            return std::nullopt;
        return supportMap(ecu, pid);
    }
    const auto it = ecu.pids.find(pid);
    if (it == ecu.pids.end())
        return std::nullopt;
    if (const auto* fixed = std::get_if<QByteArray>(&it->second))
        return *fixed;
    return encodeAt(pid, std::get<MovingValue>(it->second), seconds);
}

QByteArray Vehicle::currentDataReply(const Command& command, double seconds) const {
    const std::optional<QByteArray> data = currentData(command.parameter, seconds);
    if (!data)
        return unanswered(command);
    QByteArray bytes;
    bytes.append(char(0x48)).append(char(0x6B)).append(char(currentEcu().address));
    bytes.append(char(0x41)).append(char(command.parameter)).append(*data);
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
