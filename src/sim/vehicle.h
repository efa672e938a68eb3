// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "profile.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace sim {

// The form an ECU's answers take on its bus. On CAN a request may ask for up to six PIDs, the
// trouble codes come in one message after their count, and a monitor's results come together,
// each with its unit and both limits; on the other buses (the box's among them) one PID a
// request, three codes a message, and one result with its limit.
enum class Bus { Can, NonCan };

// Four bytes in which bit 7 of the first stands for id `base` + 1 and bit 0 of the last for
// `base` + 32: which of the keys of `byId` lie in that range.
template <typename Map> QByteArray supportBits(const Map& byId, int base) {
    QByteArray bits(4, '\0');
    for (const auto& entry : byId) {
        const int bit = int(entry.first) - base - 1;
        if (bit >= 0 && bit < 32)
            bits[bit / 8] = char(bits[bit / 8] | (0x80 >> (bit % 8)));
    }
    return bits;
}

// The negative response: 7F, the service and the reason.
QByteArray negativeResponse(quint8 service, quint8 reason);
// A monitoring test result without the bus's units: the component (bit 7: the limit is a
// minimum), the value and the limit.
QByteArray resultBytes(const MonitorTest& result, quint8 component);

// The simulated vehicle: the profile's ECUs and what each answers to an OBD request, whichever
// device asks it. Support maps come from the PIDs the profile defines: a map's last bit (the next
// map) is set when any PID above it is defined, and only then is that next map answered.
class Vehicle {
public:
    explicit Vehicle(Profile profile);

    // Whether the vehicle answers at all.
    bool reachable() const { return reachable_; }
    void setReachable(bool reachable) { reachable_ = reachable; }
    // The profile as it stands: a clear (service $04) empties that ECU's codes in it.
    const Profile& profile() const { return profile_; }
    std::size_t ecuCount() const { return profile_.ecus.size(); }
    const Ecu& ecu(std::size_t index) const { return profile_.ecus[index]; }

    // The messages ECU `index` sends to a request (the service, then its bytes) in the form of the
    // bus, each from its response id on; none when it stays silent, as does an unreachable vehicle.
    // A clear it accepts empties its codes, freeze frame and MIL. `seconds` is the vehicle's clock,
    // for the values that move.
    QList<QByteArray> answer(std::size_t index, const QByteArray& request, Bus bus, double seconds);

    // What a profile can say an ECU does to a request, whatever else it holds.
    enum class Scripted { Unanswered, Refused, Garbled };
    // What the profile says ECU `index` does to a request (the service, then the bytes the
    // program asks after it); nothing when it says nothing of it.
    std::optional<Scripted> scripted(std::size_t index, const QByteArray& request) const;
    // The messages for it: none, the negative response, or an answer to a request never made.
    static QList<QByteArray> scriptedMessages(Scripted scripted, quint8 service);
    // The data bytes ECU `index` gives for a service $01 PID; nothing when it does not support it.
    std::optional<QByteArray> currentData(std::size_t index, quint8 pid, double seconds) const;
    // Service $02 data of the ECU's stored freeze frame (frame 0).
    std::optional<QByteArray> freezeFrameData(std::size_t index, quint8 pid) const;
    // The ECU's result of monitoring test `test` for `component`; none when it defines none.
    const MonitorTest* monitorResult(std::size_t index, quint8 test, quint8 component) const;

private:
    QList<QByteArray> codes(const std::vector<quint16>& codes, char responseId, Bus bus) const;
    QByteArray clear(std::size_t index);
    // Service $05: test id, sensor code.
    QList<QByteArray> o2Test(const Ecu& ecu, quint8 test, quint8 sensor) const;
    // Service $06 off CAN: test id, component id.
    QList<QByteArray> monitor(const Ecu& ecu, quint8 test, quint8 component) const;
    // Service $06 on CAN: the monitor id; every test of the monitor in one message.
    QList<QByteArray> obdMonitor(const Ecu& ecu, quint8 id) const;
    // Service $09: the PID.
    QList<QByteArray> information(const Ecu& ecu, quint8 pid, Bus bus) const;

    Profile profile_;
    bool reachable_ = true;
};

} // namespace sim
