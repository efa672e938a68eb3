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
    : SimulatedDevice(parent), box_(std::move(profile)),
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

QString ScanToolSimulator::currentEcu() const {
    return QString::fromLatin1(hexPairs(QByteArray(1, char(box_.currentEcuAddress()))));
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
        respond(box_.unanswered(command), arrival, now);
        return;
    }
    if (fault == Fault::Refuse && command.service < 0x80 && box_.reachable()) {
        respond(box_.refusal(command, 0x12), arrival, now); // sub-function not supported
        return;
    }
    const bool acknowledges = command.service == 0xF0;
    // Damage for a checksum to reveal falls on the raw answer that follows the acknowledgement.
    rawFault_ = acknowledges && fault && damagesFramesOnly(*fault) ? fault : std::nullopt;
    const std::optional<Command> other =
        fault == Fault::WrongReply ? wrongRequest(command) : std::nullopt;
    const Command asked = other.value_or(command);
    const bool framed = command.service < 0x80;
    QByteArray reply = box_.answer(asked, now / 1000.0);
    if (fault && (framed || !damagesFramesOnly(*fault)))
        reply = withFault(*fault, std::move(reply), garbage_);
    // Whatever spoils the acknowledgement, the host may still have taken it for one.
    if (acknowledges) {
        rawExpected_ = true;
        rawStartMs_ = arrival;
    }
    respond(reply, arrival, now);
}

void ScanToolSimulator::askPassThrough(const QByteArray& raw, double arrival) {
    const std::optional<Fault> fault = std::exchange(rawFault_, std::nullopt);
    QByteArray reply = box_.passThrough(raw);
    if (fault)
        reply = withFault(*fault, std::move(reply), garbage_, true);
    respond(reply, arrival, nowMs());
}

void ScanToolSimulator::feedRaw(char c, double now) {
    if (raw_.isEmpty())
        rawStartMs_ = std::max(now, lastArrivalMs_);
    raw_.append(c);
    if (raw_.size() < BoxAnswers::kPassThroughBytes)
        return;
    rawExpected_ = false;
    const double arrival =
        profile().paced ? std::max(now, rawStartMs_ + BoxAnswers::kPassThroughBytes * kCharMs)
                        : now;
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
    const QByteArray marker(1, box_.reachable() ? 'S' : 'P');
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
