// SPDX-License-Identifier: GPL-3.0-or-later
#include "elm327_simulator.h"

#include "frames.h"

#include <algorithm>

namespace sim {

namespace {

constexpr double kBannerMs = 400;
constexpr double kSearchMs = 300;
constexpr double kSplitPromptMs = 30;

} // namespace

Elm327Simulator::Elm327Simulator(Profile profile, ElmProtocol protocol, qint32 baud,
                                 ElmFaults faults, QObject* parent)
    : SimulatedDevice(parent), latencyMs_(profile.latencyMs), vehicle_(std::move(profile)),
      protocol_(protocol), baud_(baud), faults_(std::move(faults)), random_(faults_.seed) {
    clock_.start();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Elm327Simulator::release);
}

void Elm327Simulator::reset() {
    echo_ = true;
    linefeeds_ = false;
    spaces_ = true;
    headers_ = false;
    autoProtocol_ = true;
    chosenProtocol_ = '0';
    searched_ = false;
    target_.reset();
    filter_.clear();
}

void Elm327Simulator::receive(const QByteArray& bytes) {
    if (dead_)
        return;
    if (const qint32 speed = lineSpeed(); speed != 0 && speed != baud_) {
        QByteArray garbage;
        for (qsizetype i = 0; i < bytes.size(); ++i)
            garbage.append(char(0x80 | (random_() & 0x7F)));
        schedule(garbage, nowMs());
        return;
    }
    for (char c : bytes) {
        if (answering_) {
            // Any character stops what the adapter is doing.
            out_.clear();
            wireFreeMs_ = nowMs();
            answering_ = false;
            line_.clear();
            respondRaw("STOPPED" + lineEnd(), 0);
            continue;
        }
        if (echo_)
            schedule(c == '\r' ? lineEnd() : QByteArray(1, c), nowMs());
        if (c == '\r') {
            execute(line_);
            line_.clear();
        } else if (c > ' ' && c < 0x7F) {
            line_.append(char(std::toupper(static_cast<unsigned char>(c))));
        }
    }
}

void Elm327Simulator::execute(QByteArray command) {
    if (hung_) {
        hung_ = false;
        respondRaw({}, 0);
        return;
    }
    if (command.isEmpty())
        command = last_; // a bare carriage return repeats the last command
    if (command.isEmpty()) {
        respondRaw({}, 0);
        return;
    }
    last_ = command;
    if (command.startsWith("AT")) {
        const std::optional<Answer> answer = atCommand(command.mid(2));
        if (answer)
            respond(*answer);
        else
            hung_ = true;
        return;
    }
    const bool counted = isHex(command) && command.size() >= 2;
    const int request = counted ? requests_++ : -1;
    if (request >= 0 && request == faults_.unplugAfter) {
        dead_ = true;
        out_.clear();
        timer_.stop();
        emit disconnected();
        return;
    }
    if (request >= 0 && request == faults_.silenceAfter) {
        hung_ = true;
        return;
    }
    if (request >= 0 && request == faults_.garbageAfter) {
        QByteArray garbage;
        for (int i = 0; i < 20; ++i)
            garbage.append(char(0x80 | (random_() & 0x7F)));
        respondRaw(garbage + lineEnd(), latencyMs_);
        return;
    }
    const std::optional<ElmLineFault> fault =
        request >= 0 ? faults_.lines.take(command) : std::nullopt;
    respond(vehicleRequest(command, fault));
}

std::optional<Elm327Simulator::Answer> Elm327Simulator::atCommand(const QByteArray& command) {
    const Answer ok{{"OK"}};
    const auto onOff = [&](bool& setting) {
        setting = command.endsWith('1');
        return ok;
    };
    if (command == "Z" || command == "WS") {
        reset();
        return Answer{{vehicle_.profile().adapterIdentity}, kBannerMs, true};
    }
    if (command == "D") {
        const bool echo = echo_;
        reset();
        echo_ = echo;
        return ok;
    }
    if (command == "E0" || command == "E1")
        return onOff(echo_);
    if (command == "L0" || command == "L1")
        return onOff(linefeeds_);
    if (faults_.clone && (command.startsWith('S') || command.startsWith('H')) &&
        command.size() == 2)
        return Answer{{"?"}};
    if (command == "S0" || command == "S1")
        return onOff(spaces_);
    if (command == "H0" || command == "H1")
        return onOff(headers_);
    if (command.startsWith("SP") || command.startsWith("TP")) {
        QByteArray digit = command.mid(2);
        if (digit.startsWith('A'))
            digit = digit.mid(1);
        if (digit.size() != 1 || !isHexDigit(digit[0]))
            return Answer{{"?"}};
        autoProtocol_ = digit == "0" || command.mid(2).startsWith('A');
        chosenProtocol_ = digit[0];
        searched_ = false;
        return ok;
    }
    if (command == "DPN") {
        const char number = elmProtocolNumber(protocol_);
        if (!autoProtocol_)
            return Answer{{QByteArray(1, chosenProtocol_)}};
        return Answer{{searched_ ? QByteArray("A") + number : QByteArray("0")}};
    }
    if (command == "DP")
        return Answer{
            {searched_ ? "AUTO, " + elmProtocolDescription(protocol_) : QByteArray("AUTO")}};
    if (command == "I")
        return Answer{{vehicle_.profile().adapterIdentity}};
    if (command == "RV")
        return Answer{{"12.6V"}};
    if (command.startsWith("SH") && isHex(command.mid(2))) {
        const QByteArray header = command.mid(2);
        bool fine = false;
        const uint value = header.toUInt(&fine, 16);
        target_.reset();
        if (protocol_ == ElmProtocol::Can11 && header.size() == 3) {
            // 7E0-7E7 reach the ECU that answers on that id + 8 (or nobody); 7DF reaches all.
            const QByteArray response = QByteArray::number(value + 8, 16).toUpper();
            if (value >= 0x7E0 && value <= 0x7E7) {
                target_ = vehicle_.ecuCount();
                for (std::size_t i = 0; i < vehicle_.ecuCount(); ++i)
                    if (elmResponseHeader(protocol_, vehicle_.ecu(i).address, int(i)) == response)
                        target_ = i;
            }
        } else if (header.size() == 6) {
            // The middle byte is the target: 33 (CAN) and 6A (others) reach every ECU.
            const quint8 middle = quint8(value >> 8);
            if (middle != 0x33 && middle != 0x6A)
                for (std::size_t i = 0; i < vehicle_.ecuCount(); ++i)
                    if (vehicle_.ecu(i).address == middle)
                        target_ = i;
            if (middle != 0x33 && middle != 0x6A && !target_)
                target_ = vehicle_.ecuCount(); // nobody there
        } else {
            return Answer{{"?"}};
        }
        return ok;
    }
    if (command.startsWith("CRA") && isHex(command.mid(3))) {
        filter_ = command.mid(3);
        return ok;
    }
    if (command == "AR") {
        filter_.clear();
        return ok;
    }
    if (faults_.hang)
        return std::nullopt;
    return Answer{{"?"}};
}

Elm327Simulator::Answer Elm327Simulator::vehicleRequest(const QByteArray& command,
                                                        std::optional<ElmLineFault> fault) {
    QByteArray hex = command;
    if (hex.size() % 2 == 1 && hex.size() >= 3)
        hex.chop(1); // the number of answers to wait for
    if (!isHex(hex) || hex.isEmpty())
        return Answer{{"?"}};
    Answer answer;
    answer.delayMs = latencyMs_;
    const bool wrongBus = !autoProtocol_ && chosenProtocol_ != elmProtocolNumber(protocol_);
    if (!searched_) {
        answer.delayMs += kSearchMs;
        if (autoProtocol_)
            answer.lines.append("SEARCHING...");
        else if (protocol_ == ElmProtocol::Iso9141 || protocol_ == ElmProtocol::Kwp)
            answer.lines.append(vehicle_.reachable() && !wrongBus ? "BUS INIT: ...OK"
                                                                  : "BUS INIT: ...ERROR");
    }
    if (!vehicle_.reachable() || wrongBus) {
        if (autoProtocol_)
            answer.lines.append("UNABLE TO CONNECT");
        else if (answer.lines.isEmpty() || !answer.lines.last().endsWith("ERROR"))
            answer.lines.append(isCan(protocol_) ? "CAN ERROR" : "NO DATA");
        return answer;
    }
    searched_ = true;
    const QByteArray request = QByteArray::fromHex(hex);
    std::vector<Sent> sent;
    const Bus bus = isCan(protocol_) ? Bus::Can : Bus::NonCan;
    for (std::size_t i = 0; i < vehicle_.ecuCount(); ++i) {
        if (!addressed(i) || !passesFilter(i))
            continue;
        for (const QByteArray& message : vehicle_.answer(i, request, bus, nowMs() / 1000.0)) {
            QList<QByteArray> lines =
                elmLines(protocol_, vehicle_.ecu(i).address, int(i), message, {headers_, spaces_});
            // The VIN's second consecutive frame, its last, goes astray.
            if (bus == Bus::Can && vehicle_.ecu(i).vinFrameMissing &&
                request == QByteArray("\x09\x02", 2))
                lines.removeLast();
            sent.push_back({i, message, lines});
        }
    }
    if (sent.empty())
        answer.lines.append("NO DATA");
    if (fault)
        damage(*fault, sent, answer);
    for (const Sent& s : sent)
        answer.lines.append(s.lines);
    return answer;
}

void Elm327Simulator::damage(ElmLineFault fault, std::vector<Sent>& sent, Answer& answer) {
    static const QByteArray kErrors[] = {"BUS ERROR", "CAN ERROR", "<RX ERROR", "BUS BUSY"};
    const auto draw = [this](std::size_t size) {
        return std::uniform_int_distribution<std::size_t>(0, size - 1)(random_);
    };
    if (fault == ElmLineFault::NoPrompt) {
        answer.prompt = false;
        return;
    }
    if (sent.empty()) {
        if (fault == ElmLineFault::ErrorLine)
            answer.lines.append(kErrors[draw(std::size(kErrors))]);
        return;
    }
    Sent& victim = sent[draw(sent.size())];
    if (fault == ElmLineFault::ErrorLine) {
        victim.lines.insert(qsizetype(draw(victim.lines.size() + 1)),
                            kErrors[draw(std::size(kErrors))]);
    } else if (fault == ElmLineFault::Repeat) {
        victim.lines.append(QList<QByteArray>(victim.lines));
    } else if (fault == ElmLineFault::OtherEcu) {
        // The next ECU of the vehicle; a lone ECU gets a neighbour that is not there.
        const std::size_t next = (victim.ecu + 1) % std::max<std::size_t>(vehicle_.ecuCount(), 2);
        const quint8 address = next < vehicle_.ecuCount()
                                   ? vehicle_.ecu(next).address
                                   : quint8(vehicle_.ecu(victim.ecu).address + 8);
        victim.lines = elmLines(protocol_, address, int(next), victim.message, {headers_, spaces_});
    } else {
        damageMessage(fault, victim.lines, protocol_, {headers_, spaces_}, random_);
    }
}

bool Elm327Simulator::addressed(std::size_t ecu) const {
    return !target_ || *target_ == ecu;
}

bool Elm327Simulator::passesFilter(std::size_t ecu) const {
    if (filter_.isEmpty())
        return true;
    const quint8 address = vehicle_.ecu(ecu).address;
    const QByteArray header = elmResponseHeader(protocol_, address, int(ecu));
    return isCan(protocol_) ? filter_ == header : filter_.right(2) == header;
}

QByteArray Elm327Simulator::lineEnd() const {
    return linefeeds_ || faults_.crlf ? QByteArray("\r\n") : QByteArray("\r");
}

void Elm327Simulator::respond(const Answer& answer) {
    QByteArray body;
    if (answer.banner) {
        if (faults_.noise)
            body.append("\x7F\xFC");
        body.append(lineEnd()).append(lineEnd());
    }
    for (const QByteArray& line : answer.lines)
        body.append(line).append(lineEnd());
    respondRaw(body, answer.delayMs, answer.prompt);
}

void Elm327Simulator::respondRaw(const QByteArray& body, double delayMs, bool prompted) {
    const double charMs = 10000.0 / baud_;
    const double start = std::max(nowMs(), wireFreeMs_) + delayMs;
    if (!prompted) {
        hung_ = true; // until a carriage return
        schedule(body, start + body.size() * charMs);
        return;
    }
    const QByteArray prompt = lineEnd() + '>';
    answering_ = true;
    if (faults_.splitPrompt) {
        schedule(body, start + body.size() * charMs);
        schedule(prompt, start + (body.size() + prompt.size()) * charMs + kSplitPromptMs);
    } else {
        schedule(body + prompt, start + (body.size() + prompt.size()) * charMs);
    }
}

void Elm327Simulator::schedule(const QByteArray& bytes, double dueMs) {
    if (bytes.isEmpty())
        return;
    const double due = std::max(dueMs, wireFreeMs_);
    wireFreeMs_ = due;
    out_.emplace_back(due, bytes);
    // Rearmed every time: after a stop the queue may start earlier than the timer was set for.
    timer_.start(std::max(0, int(out_.front().first - nowMs())));
}

void Elm327Simulator::release() {
    while (!out_.empty() && out_.front().first <= nowMs() + 0.5) {
        const QByteArray bytes = std::move(out_.front().second);
        out_.pop_front();
        if (bytes.endsWith('>'))
            answering_ = false;
        emit transmit(bytes);
        if (dead_)
            return;
    }
    if (!out_.empty())
        timer_.start(std::max(0, int(out_.front().first - nowMs() + 0.5)));
}

} // namespace sim
