// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "elm327_frames.h"
#include "elm_line_faults.h"
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

// How the simulated adapter misbehaves. The clone habits hold for the whole run; silence,
// garbage and unplug strike the vehicle request after `...After` answered ones (-1: never); the
// line faults strike the answers to the vehicle requests their rules name, where `seed` puts them.
struct ElmFaults {
    bool clone = false;       // "?" to ATH and ATS
    bool noise = false;       // 7F FC before the reset banner
    bool splitPrompt = false; // the prompt in a write of its own, a little later
    bool crlf = false;        // CR LF line ends whatever ATL says
    bool hang = false;        // an AT command it does not know hangs it until the next CR
    int silenceAfter = -1;    // no answer, no prompt, until the next CR
    int garbageAfter = -1;    // bytes that are no text, then the prompt
    int unplugAfter = -1;     // the device vanishes
    RulePlan<ElmLineFault> lines;
    quint32 seed = 0xE1327;
};

// Adds NAME[:N] to `faults`: silence, garbage or unplug after N requests (default 0), or one of
// clone, noise, split-prompt, crlf, hang; or a line fault, NAME[:COUNT[:PREFIX[:AFTER]]].
bool addElmFault(ElmFaults& faults, const QString& text, QString* error = nullptr);
QString elmFaultNames();

// An ELM327 adapter on the simulated vehicle's bus. Bytes from the host go in through
// receive(); what the adapter says comes out through transmit(), paced at its baud rate (ten
// bits a character) plus the profile's latency for each vehicle request. When the host's line
// speed differs from the adapter's, both sides see only garbage.
class Elm327Simulator : public SimulatedDevice {
    Q_OBJECT
public:
    static constexpr const char* kIdentity = "ELM327 v1.5";

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
    QList<QByteArray> ecuMessages(std::size_t ecu, const QByteArray& request);
    // Service $06: the non-CAN form (component, value, limit) or the CAN form of a monitor.
    QList<QByteArray> monitorMessages(const Ecu& ecu, quint8 test, quint8 component) const;
    bool addressed(std::size_t ecu) const;
    bool passesFilter(std::size_t ecu) const;
    void respond(const Answer& answer);
    void respondRaw(const QByteArray& body, double delayMs, bool prompted = true);
    QByteArray lineEnd() const;
    void schedule(const QByteArray& bytes, double dueMs);
    void release();
    double nowMs() const { return double(clock_.nsecsElapsed()) / 1e6; }

    std::vector<Vehicle> ecus_;
    bool reachable_;
    double latencyMs_;
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
