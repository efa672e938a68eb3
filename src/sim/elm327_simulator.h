// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "elm327_faults.h"
#include "elm327_frames.h"
#include "profile.h"
#include "simulated_device.h"
#include "vehicle.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QTimer>

#include <deque>
#include <optional>
#include <random>
#include <vector>

namespace sim {

// An ELM327 adapter on the simulated vehicle's bus. Bytes from the host go in through
// receive(); what the adapter says comes out through transmit(), paced at its baud rate (ten
// bits a character) plus the profile's latency for each vehicle request. When the host's line
// speed differs from the adapter's, both sides see only garbage. The ECUs' answers come from the
// vehicle: the adapter turns a request's text into bytes and each message into its lines.
class Elm327Simulator : public SimulatedDevice {
    Q_OBJECT
public:
    Elm327Simulator(Profile profile, ElmProtocol protocol, qint32 baud = 38400,
                    ElmFaults faults = {}, QObject* parent = nullptr);

    void receive(const QByteArray& bytes) override;

private:
    struct Answer {
        QList<QByteArray> lines;
        double delayMs = 0;
        bool banner = false;
        bool prompt = true;
    };
    // One ECU's message and the lines the adapter shows it in.
    struct Sent {
        std::size_t ecu;
        QByteArray message;
        QList<QByteArray> lines;
    };

    void reset();
    void execute(QByteArray command);
    // Nothing: the adapter hangs.
    std::optional<Answer> atCommand(const QByteArray& command);
    Answer vehicleRequest(const QByteArray& command, std::optional<ElmLineFault> fault);
    void damage(ElmLineFault fault, std::vector<Sent>& sent, Answer& answer);
    bool addressed(std::size_t ecu) const;
    bool passesFilter(std::size_t ecu) const;
    void respond(const Answer& answer);
    void respondRaw(const QByteArray& body, double delayMs, bool prompted = true);
    QByteArray lineEnd() const;
    void schedule(const QByteArray& bytes, double dueMs);
    void release();
    double nowMs() const { return double(clock_.nsecsElapsed()) / 1e6; }

    double latencyMs_;
    Vehicle vehicle_; // every ECU answers for itself, as ECUs on one bus do
    ElmProtocol protocol_;
    qint32 baud_;
    ElmFaults faults_;
    QElapsedTimer clock_;
    QTimer timer_;
    std::mt19937 random_;

    bool echo_ = true;
    bool linefeeds_ = false;
    bool spaces_ = true;
    bool headers_ = false;
    bool autoProtocol_ = true;
    char chosenProtocol_ = '0';
    bool searched_ = false;
    std::optional<std::size_t> target_; // ATSH to one ECU; none: all
    QByteArray filter_;                 // ATCRA; empty: all
    int requests_ = 0;
    bool hung_ = false;
    bool answering_ = false; // from a command's carriage return to its prompt
    bool dead_ = false;

    QByteArray line_;
    QByteArray last_;
    std::deque<std::pair<double, QByteArray>> out_;
    double wireFreeMs_ = 0;
};

} // namespace sim
