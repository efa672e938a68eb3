// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan_tool_simulator.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <utility>

namespace sim {

namespace {

// The request whose reply a WrongReply fault sends instead: engine speed for another PID (vehicle
// speed for engine speed), the other code list, the service $01 support map for a clear.
std::optional<Command> wrongRequest(const Command& command) {
    Command other = command;
    switch (command.service) {
    case 0x01:
    case 0x02:
        other.parameter = command.parameter == 0x0C ? 0x0D : 0x0C;
        break;
    case 0x03:
    case 0x07:
        other.service = command.service == 0x03 ? 0x07 : 0x03;
        break;
    case 0x04:
        other.service = 0x01;
        other.parameter = 0x00;
        break;
    default:
        return std::nullopt;
    }
    const char bytes[] = {char(other.service), char(other.parameter), char(other.length)};
    other.text = hexPairs(QByteArrayView(bytes, 3));
    return other;
}

} // namespace

double exchangeSeconds(const Profile& profile, int replyChars) {
    const double markerDelay = profile.markerPeriodMs / 1000.0;
    if (!profile.paced)
        return markerDelay;
    return markerDelay + (1 + 6 + replyChars) / 1920.0 + profile.latencyMs / 1000.0;
}

ScanToolSimulator::ScanToolSimulator(Profile profile, QObject* parent, TickSource ticks)
    : ScanToolSimulator(std::make_unique<Vehicle>(profile), profile, parent, std::move(ticks)) {
    vehicle_ = static_cast<Vehicle*>(backend_.get());
}

ScanToolSimulator::ScanToolSimulator(std::unique_ptr<BoxBackend> backend, Profile wire,
                                     QObject* parent, TickSource ticks, int answerLimitMs)
    : QObject(parent), wireProfile_(std::move(wire)), backend_(std::move(backend)),
      answerLimitMs_(answerLimitMs),
      ticks_(ticks ? std::move(ticks) : TickSource(core::monotonicTicks)), origin_(ticks_()) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ScanToolSimulator::poll);
    becomeIdle(0);
    arm();
}

void ScanToolSimulator::receive(const QByteArray& bytes) {
    if (dead_)
        return;
    inbox_ += bytes;
    pump();
}

void ScanToolSimulator::poll() {
    pump();
}

void ScanToolSimulator::injectFault(Fault fault, int count, const QString& commandPrefix) {
    injectFault(FaultRule{fault, count, commandPrefix.toLatin1()});
}

void ScanToolSimulator::injectFault(const FaultRule& rule) {
    faults_.add(rule);
    arm();
}

void ScanToolSimulator::clearFaults() {
    faults_.clear();
    arm();
}

void ScanToolSimulator::setIdleMarkers(bool on) {
    idleMarkers_ = on;
    arm();
}

void ScanToolSimulator::setReachable(bool reachable) {
    if (vehicle_)
        vehicle_->setReachable(reachable);
}

QString ScanToolSimulator::currentEcu() const {
    return QString::fromLatin1(hexPairs(QByteArray(1, char(backend_->currentEcuAddress()))));
}

double ScanToolSimulator::nowMs() const {
    return static_cast<double>(ticks_() - origin_);
}

// Every way in ends here. A slot that answers a transmit() by writing again only queues its
// bytes; they are handled once the state is consistent, in the order they came.
void ScanToolSimulator::pump() {
    if (pumping_ || dead_)
        return;
    pumping_ = true;
    do {
        const double now = nowMs();
        const QByteArray input = std::exchange(inbox_, {});
        for (char c : input) {
            if (dead_)
                break;
            feed(c, now);
        }
        if (!dead_) {
            expirePendingAnswer(now);
            expirePartialCommand(now);
            release(now);
            sendMarker(now);
            release(now);
        }
        const QByteArray out = std::exchange(outbox_, {});
        if (!out.isEmpty())
            emit transmit(out);
    } while (!inbox_.isEmpty() && !dead_);
    pumping_ = false;
    if (dead_) {
        timer_.stop();
        inbox_.clear();
        emit disconnected();
        return;
    }
    arm();
}

void ScanToolSimulator::feed(char c, double now) {
    if (rawExpected_) {
        feedRaw(c, now);
        return;
    }
    // Hex digits only ever gather into a command, so dropping everything up to a non-hex byte
    // is the same as sliding a six-character window past it.
    if (!isHexDigit(c)) {
        if (!command_.isEmpty()) {
            command_.clear();
            if (replyCharsOnWire_ == 0)
                becomeIdle(now);
        }
        return;
    }
    if (command_.isEmpty())
        commandStartMs_ = std::max(now, lastArrivalMs_);
    command_.append(c);
    if (command_.size() < 6)
        return;
    const std::optional<Command> command = parseCommand(std::exchange(command_, {}));
    if (command)
        execute(*command, now);
}

void ScanToolSimulator::execute(const Command& command, double now) {
    const double arrival = profile().paced ? std::max(now, commandStartMs_ + 6 * kCharMs) : now;
    lastArrivalMs_ = arrival;

    const std::optional<Fault> fault = faults_.take(command.text);
    if (fault == Fault::Disconnect) {
        dead_ = true;
        wire_.clear();
        return;
    }
    if (fault == Fault::Silence) {
        if (replyCharsOnWire_ == 0)
            becomeIdle(arrival);
        return;
    }
    // These two replace the answer, so a clear they hit is not carried out.
    if (fault == Fault::EcuTimeout) {
        respond(backend_->unanswered(command), arrival, now);
        return;
    }
    if (fault == Fault::Refuse && command.service < 0x80 && backend_->reachable()) {
        respond(backend_->refusal(command, 0x12), arrival, now); // sub-function not supported
        return;
    }
    // Whatever spoils the acknowledgement, the host may still have taken it for one.
    pendingAcknowledges_ = command.service == 0xF0;
    // Damage for a checksum to reveal falls on the raw answer that follows the acknowledgement.
    rawFault_ = pendingAcknowledges_ && fault && damagesFramesOnly(*fault) ? fault : std::nullopt;
    const std::optional<Command> other =
        fault == Fault::WrongReply ? wrongRequest(command) : std::nullopt;
    const Command asked = other.value_or(command);
    const bool framed = command.service < 0x80;
    const std::optional<Fault> spoil =
        fault && (framed || !damagesFramesOnly(*fault)) ? fault : std::nullopt;
    backend_->answer(asked, now / 1000.0,
                     awaitAnswer(asked, arrival, [this, spoil](QByteArray reply) {
                         return spoil ? withFault(*spoil, std::move(reply), garbage_) : reply;
                     }));
}

void ScanToolSimulator::askPassThrough(const QByteArray& raw, double arrival) {
    pendingAcknowledges_ = false;
    const std::optional<Fault> fault = std::exchange(rawFault_, std::nullopt);
    backend_->answerPassThrough(
        raw, awaitAnswer(std::nullopt, arrival, [this, fault](QByteArray reply) {
            return fault ? withFault(*fault, std::move(reply), garbage_, true) : reply;
        }));
}

BoxBackend::Done ScanToolSimulator::awaitAnswer(std::optional<Command> command, double arrival,
                                                std::function<QByteArray(QByteArray)> finish) {
    pending_ = true;
    pendingCommand_ = std::move(command);
    pendingSinceMs_ = arrival;
    // An answer to an earlier command, given up on or overtaken, is dropped.
    const quint64 ticket = ++ticket_;
    return [this, ticket, arrival, finish = std::move(finish)](const QByteArray& reply) {
        if (ticket == ticket_ && pending_)
            answered(finish ? finish(reply) : reply, arrival);
    };
}

// The synchronous backend answers inside pump(); a later answer needs a pump of its own to go
// out.
void ScanToolSimulator::answered(const QByteArray& reply, double arrival) {
    pending_ = false;
    if (dead_)
        return;
    if (std::exchange(pendingAcknowledges_, false)) {
        rawExpected_ = true;
        rawStartMs_ = arrival;
    }
    respond(reply, arrival, nowMs());
    if (!pumping_)
        pump();
}

void ScanToolSimulator::expirePendingAnswer(double now) {
    if (!pending_ || now - pendingSinceMs_ < answerLimitMs_)
        return;
    pending_ = false;
    pendingAcknowledges_ = false;
    if (pendingCommand_)
        respond(backend_->damaged(*pendingCommand_), now, now);
    else if (replyCharsOnWire_ == 0)
        becomeIdle(now);
}

void ScanToolSimulator::feedRaw(char c, double now) {
    if (raw_.isEmpty())
        rawStartMs_ = std::max(now, lastArrivalMs_);
    raw_.append(c);
    if (raw_.size() < Vehicle::kPassThroughBytes)
        return;
    rawExpected_ = false;
    const double arrival =
        profile().paced ? std::max(now, rawStartMs_ + Vehicle::kPassThroughBytes * kCharMs) : now;
    lastArrivalMs_ = arrival;
    askPassThrough(std::exchange(raw_, {}), arrival);
}

void ScanToolSimulator::respond(const QByteArray& reply, double arrival, double now) {
    if (profile().paced) {
        putOnWire(reply, arrival + profile().latencyMs, true);
    } else {
        outbox_ += reply;
        becomeIdle(now);
    }
}

QByteArray ScanToolSimulator::withFault(Fault fault, QByteArray reply, std::mt19937& garbage,
                                        bool raw) {
    switch (fault) {
    case Fault::ExtraLeadingS:
        reply.prepend('S');
        break;
    case Fault::OutOfStepS:
        if (reply.size() > 2)
            reply[2] = 'S';
        break;
    case Fault::Garbage: {
        if (reply.isEmpty())
            break;
        std::uniform_int_distribution<int> byte(0, 255);
        for (char& c : reply)
            c = char(byte(garbage));
        // At least one NUL, the byte most likely to trip a text-minded reader.
        reply[std::uniform_int_distribution<qsizetype>(0, reply.size() - 1)(garbage)] = '\0';
        break;
    }
    case Fault::Cut:
        reply.truncate(5); // the leading character and two header bytes
        break;
    case Fault::DropChar:
        if (!reply.isEmpty())
            reply.remove(std::uniform_int_distribution<qsizetype>(0, reply.size() - 1)(garbage), 1);
        break;
    case Fault::FlipDigit: {
        if (reply.size() < 2)
            break;
        char& digit = reply[std::uniform_int_distribution<qsizetype>(1, reply.size() - 1)(garbage)];
        if (raw)
            digit = char(digit ^ (1 << std::uniform_int_distribution<int>(0, 7)(garbage)));
        if (raw || !isHexDigit(digit))
            break;
        const int value = QByteArray(1, digit).toInt(nullptr, 16);
        const int other = (value + std::uniform_int_distribution<int>(1, 15)(garbage)) % 16;
        digit = QByteArray::number(other, 16).toUpper().at(0);
        break;
    }
    case Fault::Repeat:
        reply += reply;
        break;
    default:
        break;
    }
    return reply;
}

void ScanToolSimulator::putOnWire(const QByteArray& bytes, double startMs, bool reply) {
    double t = std::max(startMs, wireFreeMs_);
    for (char c : bytes) {
        t += kCharMs;
        wire_.push_back({c, t, reply});
    }
    wireFreeMs_ = t;
    if (reply)
        replyCharsOnWire_ += static_cast<int>(bytes.size());
}

void ScanToolSimulator::release(double now) {
    while (!wire_.empty() && wire_.front().dueMs <= now) {
        const OutChar out = wire_.front();
        wire_.pop_front();
        outbox_.append(out.c);
        if (out.reply && --replyCharsOnWire_ == 0 && command_.isEmpty())
            becomeIdle(out.dueMs);
    }
}

void ScanToolSimulator::sendMarker(double now) {
    if (!idleMarkers_ || busy() || faults_.silencesMarkers() || now < nextMarkerMs_)
        return;
    // Markers missed while the clock jumped are not sent late; the next one keeps the grid.
    const double period = profile().markerPeriodMs;
    const double at = nextMarkerMs_ + std::floor((now - nextMarkerMs_) / period) * period;
    nextMarkerMs_ = at + period;
    if (!backend_->awake())
        return;
    const QByteArray marker(1, backend_->reachable() ? 'S' : 'P');
    if (profile().paced)
        putOnWire(marker, at, false);
    else
        outbox_ += marker;
}

void ScanToolSimulator::expirePartialCommand(double now) {
    if (rawExpected_ && now - rawStartMs_ >= kPartialCommandTimeoutMs) {
        rawExpected_ = false;
        raw_.clear();
        if (replyCharsOnWire_ == 0)
            becomeIdle(now);
    }
    if (command_.isEmpty() || now - commandStartMs_ < kPartialCommandTimeoutMs)
        return;
    command_.clear();
    if (replyCharsOnWire_ == 0)
        becomeIdle(now);
}

void ScanToolSimulator::becomeIdle(double atMs) {
    nextMarkerMs_ = atMs + profile().markerPeriodMs;
}

void ScanToolSimulator::arm() {
    if (dead_)
        return;
    std::optional<double> wake;
    auto consider = [&](double t) { wake = wake ? std::min(*wake, t) : t; };
    if (!command_.isEmpty())
        consider(commandStartMs_ + kPartialCommandTimeoutMs);
    if (rawExpected_)
        consider(rawStartMs_ + kPartialCommandTimeoutMs);
    if (pending_)
        consider(pendingSinceMs_ + answerLimitMs_);
    if (!wire_.empty())
        consider(wire_.front().dueMs);
    if (idleMarkers_ && !busy() && !faults_.silencesMarkers())
        consider(nextMarkerMs_);
    if (!wake) {
        timer_.stop();
        return;
    }
    const double delay = std::ceil(*wake - nowMs());
    timer_.start(static_cast<int>(std::clamp(delay, 1.0, 60000.0)));
}

} // namespace sim
