// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frames.h"
#include "vehicle.h"

#include <QByteArray>

namespace sim {

// The box's answers, without timing: what goes back for each command, from the vehicle's current
// ECU. Each service or box command is one small handler; answer() picks it by the command's first
// byte.
class BoxAnswers {
public:
    explicit BoxAnswers(Profile profile);

    // `seconds` is the vehicle's clock, for the values that move.
    QByteArray answer(const Command& command, double seconds);

    // The reply of a request the ECU does not answer.
    QByteArray unanswered(const Command& command) const;
    // The reply of a request whose answer came damaged, or too late.
    QByteArray damaged(const Command& command) const;
    // The current ECU's negative response to the request: 7F, the service and the reason code.
    QByteArray refusal(const Command& command, quint8 reason) const;

    // The bytes of a pass-through command, which follow an acknowledged "F00504".
    static constexpr int kPassThroughBytes = 14;
    // The current ECU's raw answer to a pass-through command: the header (48 6B and the ECU
    // address), then 46 and the result, or 7F, the service and reason $12 for a test it does not
    // define or a command it cannot take; 13 bytes and their checksum.
    QByteArray passThrough(const QByteArray& command);

    // Whether the vehicle answers at all: the box's idle marker is "S", otherwise "P".
    bool reachable() const { return vehicle_.reachable(); }
    void setReachable(bool reachable) { vehicle_.setReachable(reachable); }
    quint8 currentEcuAddress() const { return vehicle_.ecu(ecuIndex_).address; }
    const Profile& profile() const { return vehicle_.profile(); }

private:
    // Services $01-$04, $07, $09 and $0A: the first message of the current ECU's answer.
    QByteArray vehicleReply(const Command& command, double seconds);
    // Firmware before 4.00 knows no service $09.
    bool answersInformation() const;
    // Services $05 and $06 as text commands: test id, sensor code.
    QByteArray o2TestReply(const Command& command) const;
    // The bytes of the reply the host waits for, the three header bytes included.
    static int replyLength(const Command& command);
    QByteArray ecuReply(const Command& command, const QByteArray& message) const;
    QByteArray nextEcuReply();

    Vehicle vehicle_;
    std::size_t ecuIndex_ = 0;
};

} // namespace sim
