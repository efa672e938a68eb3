// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frames.h"
#include "profile.h"

#include <QByteArray>

#include <optional>
#include <vector>

namespace sim {

// The box's answers, without timing: what goes back for each command. Each service or box
// command is one small handler; answer() picks it by the command's first byte.
class Vehicle {
public:
    explicit Vehicle(Profile profile);

    // `seconds` is the vehicle's clock, for the values that move.
    QByteArray answer(const Command& command, double seconds);

    // The reply of a request the ECU does not answer.
    QByteArray unanswered(const Command& command) const;
    // The reply of a request whose answer came damaged, or too late.
    QByteArray damaged(const Command& command) const;
    // The current ECU's negative response to the request: 7F, the service and the reason code.
    QByteArray refusal(const Command& command, quint8 reason) const;

    // Whether the vehicle answers at all: the box's idle marker is "S", otherwise "P".
    bool reachable() const { return reachable_; }
    quint8 currentEcuAddress() const { return currentEcu().address; }
    void setReachable(bool reachable) { reachable_ = reachable; }
    const Ecu& currentEcu() const { return profile_.ecus[ecuIndex_]; }
    // The profile as it stands: a clear (service $04) empties the current ECU's codes in it.
    const Profile& profile() const { return profile_; }

    // The data bytes the current ECU gives for a service $01 PID; nothing when it does not
    // support it. Support maps come from the PIDs the profile defines: a map's last bit (the next
    // map) is set when any PID above it is defined, and only then is that next map answered.
    std::optional<QByteArray> currentData(quint8 pid, double seconds) const;

    // Service $02 data of the current ECU's stored freeze frame (frame 0).
    std::optional<QByteArray> freezeFrameData(quint8 pid) const;

    // The bytes of a pass-through command, which follow an acknowledged "F00504".
    static constexpr int kPassThroughBytes = 14;
    // The current ECU's raw answer to a pass-through command: the header (48 6B and the ECU
    // address), then 46 and the result, or 7F, the service and reason $12 for a test it does not
    // define or a command it cannot take; 13 bytes and their checksum.
    QByteArray passThrough(const QByteArray& command) const;

private:
    QByteArray currentDataReply(const Command& command, double seconds) const;
    QByteArray freezeFrameReply(const Command& command) const;
    QByteArray codesReply(const Command& command, char responseId,
                          const std::vector<quint16>& codes) const;
    QByteArray clearReply(const Command& command);
    // Services $05 and $06 as text commands: test id, sensor code.
    QByteArray o2TestReply(const Command& command) const;
    // The bytes of the reply the host waits for, the three header bytes included.
    static int replyLength(const Command& command);
    QByteArray dataReply(const Command& command, char responseId, const QByteArray& frameNumber,
                         const QByteArray& data) const;
    // Header, then the payload padded with zeros or cut to the length the host asked for.
    QByteArray ecuReply(const Command& command, const QByteArray& payload) const;
    QByteArray nextEcuReply();
    QByteArray firmwareReply() const;
    QByteArray passThroughAck() const;
    // The answer to a well-formed service $06 pass-through request; nothing when the ECU has none.
    QByteArray monitorTestResult(quint8 testId, quint8 componentId) const;

    Profile profile_;
    std::size_t ecuIndex_ = 0;
    bool reachable_ = true;
};

} // namespace sim
