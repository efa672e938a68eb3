// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "box_answers.h"
#include "core/clock.h"
#include "faults.h"
#include "profile.h"
#include "simulated_device.h"

#include <QByteArray>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <random>

namespace sim {

using core::TickSource;

// The best an exchange can do against this box, in seconds: the marker delay after idle, one
// marker character, the six command characters, the ECU latency and `replyChars` reply
// characters, characters at 19200 baud and 10 bits each. Unpaced, only the marker delay counts.
double exchangeSeconds(const Profile& profile, int replyChars);

// The scan tool at the byte level. Bytes from the host go in through receive(); everything
// for the host comes out through transmit(): idle markers ("S", or "P" when the vehicle is
// unreachable) every markerPeriodMs while idle, and one reply per six-character command, as
// the simulated vehicle answers it.
// From the first character of a command until its reply is out the box sends no markers.
// An acknowledged pass-through ("F0....") makes the next 14 bytes, whatever they are, one raw
// command with a raw reply; the box stays quiet until that reply is out, or until the raw
// command is given up (nothing, or only a part of it, within kPartialCommandTimeoutMs).
//
// Unpaced, a reply goes out from inside the receive() that completes its command. Paced, the
// command counts as arrived six character times after its first character, the reply starts
// latencyMs later and each character leaves only when the wire would have carried it.
//
// Do not delete the simulator from a slot connected to its signals (use deleteLater()).
class ScanToolSimulator : public SimulatedDevice {
    Q_OBJECT
public:
    static constexpr double kCharMs = 1000.0 / 1920.0;
    // A command whose six characters do not arrive within this time is dropped, so that a
    // stray byte does not hold back the markers for good.
    static constexpr int kPartialCommandTimeoutMs = 200;

    // The box in front of the simulated vehicle of the profile.
    explicit ScanToolSimulator(Profile profile = Profile::defaults(), QObject* parent = nullptr,
                               TickSource ticks = {});

    // Bytes the host wrote. A byte that is not a hex digit can start no command: it is dropped
    // together with what was gathered before it, which resynchronises after garbage.
    void receive(const QByteArray& bytes) override;

    // The fault hits the next `count` replies (-1: until cleared) to commands that start with
    // `commandPrefix` (empty: all).
    void injectFault(Fault fault, int count = -1, const QString& commandPrefix = {});
    void injectFault(const FaultRule& rule);
    void clearFaults();

    void setReachable(bool reachable) { box_.setReachable(reachable); }
    bool isReachable() const { return box_.reachable(); }
    // The current ECU's address, two hex digits.
    QString currentEcu() const;
    const Profile& profile() const { return box_.profile(); }
    bool isDisconnected() const { return dead_; }
    // Over USB the box sends no idle markers: the host asks whether it is ready instead.
    void setIdleMarkers(bool on);
    // No command is being gathered and no reply is under way.
    bool isIdle() const { return !busy() && !dead_; }

    // Sends what the clock says is due. The simulator's timer calls it; a test that moves its
    // own clock calls it after each move.
    void poll();

private:
    struct OutChar {
        char c;
        double dueMs; // when its last bit has left
        bool reply;
    };

    double nowMs() const;
    void pump();
    void feed(char c, double now);
    void execute(const Command& command, double now);
    void askPassThrough(const QByteArray& raw, double arrival);
    // The raw pass-through command's bytes, gathered apart from the hex commands.
    void feedRaw(char c, double now);
    void respond(const QByteArray& reply, double arrival, double now);
    // A raw pass-through answer has one of its bits flipped where a frame has a hex digit.
    static QByteArray withFault(Fault fault, QByteArray reply, std::mt19937& garbage,
                                bool raw = false);
    void putOnWire(const QByteArray& bytes, double startMs, bool reply);
    void release(double now);
    void sendMarker(double now);
    void expirePartialCommand(double now);
    void becomeIdle(double atMs);
    bool busy() const { return !command_.isEmpty() || replyCharsOnWire_ > 0 || rawExpected_; }
    void arm();

    BoxAnswers box_;
    FaultPlan faults_;
    TickSource ticks_;
    qint64 origin_ = 0;
    QTimer timer_;
    std::mt19937 garbage_{0x5eed};

    QByteArray inbox_;   // received, not yet looked at
    QByteArray command_; // hex digits of the command being gathered
    double commandStartMs_ = 0;
    bool rawExpected_ = false; // a pass-through was acknowledged: raw bytes come next
    QByteArray raw_;
    double rawStartMs_ = 0; // the acknowledgement, then the raw command's first byte
    double lastArrivalMs_ = 0;
    std::deque<OutChar> wire_; // paced output waiting for its time
    double wireFreeMs_ = 0;
    int replyCharsOnWire_ = 0;
    double nextMarkerMs_ = 0;
    QByteArray outbox_; // due now, emitted once the state is consistent
    bool pumping_ = false;
    bool dead_ = false;
    bool idleMarkers_ = true;
    std::optional<Fault> rawFault_; // for the raw answer after a pass-through's acknowledgement
};

} // namespace sim
