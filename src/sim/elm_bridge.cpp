// SPDX-License-Identifier: GPL-3.0-or-later
#include "elm_bridge.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <utility>

namespace sim {

using scan::elm::ElmAnswer;
using scan::elm::framingOf;
using scan::elm::guessFraming;
using scan::elm::isCan;
using scan::elm::parseElmLines;

namespace {

constexpr quint8 kNotSupported = 0x12; // the reason of a refusal for a request nobody offers
// The adapter's own search for the bus takes seconds; this is the pause between searches.
constexpr std::chrono::milliseconds kVehicleRetry{1000};

// As the box does: the O2 test commands carry the sensor where others carry the length.
int replyLength(const Command& command) {
    if (command.service != 0x05 && command.service != 0x06)
        return command.length;
    if (command.parameter == 0)
        return 9;
    return command.parameter <= 4 ? 6 : 8;
}

quint8 byteAt(const QByteArray& bytes, qsizetype i) {
    return i < bytes.size() ? quint8(bytes[i]) : 0;
}

} // namespace

ElmBridge::ElmBridge(std::unique_ptr<scan::elm::ElmAdapter> adapter, char leadingChar,
                     QObject* parent)
    : QObject(parent), adapter_(std::move(adapter)), leading_(leadingChar) {
    connect(adapter_.get(), &scan::elm::ElmAdapter::ready, this, [this] {
        ready_ = true;
        request("0100", [this](const ElmAnswer&, const ElmMessages& found) {
            searched_ = true;
            noteEcus(found);
        });
    });
    connect(adapter_.get(), &scan::elm::ElmAdapter::failed, this, &ElmBridge::lost);
    connect(adapter_.get(), &scan::elm::ElmAdapter::lost, this, [this](const QString& reason) {
        ready_ = false;
        emit lost(reason);
    });
}

void ElmBridge::start() {
    adapter_->start();
}

QByteArray ElmBridge::unanswered(const Command& command) const {
    return unansweredFrame(leading_, replyLength(command));
}

QByteArray ElmBridge::damaged(const Command& command) const {
    return damagedFrame(leading_, replyLength(command));
}

// The vehicle said nothing (NO DATA) or could not be reached, or this ECU had nothing to say
// while others answered whole: the ECU did not answer. Anything else the adapter said instead of
// a whole answer is no answer at all.
QByteArray ElmBridge::silence(const Command& command, const ElmAnswer& answer,
                              const ElmMessages& found) const {
    const bool quiet = answer.kind == ElmAnswer::Kind::NoData ||
                       answer.kind == ElmAnswer::Kind::UnableToConnect ||
                       (answer.kind == ElmAnswer::Kind::Lines && !found.damaged);
    return quiet ? unanswered(command) : damaged(command);
}

QByteArray ElmBridge::refusal(const Command& command, quint8 reason) const {
    return ecuFrame(command,
                    QByteArray(1, char(0x7F)).append(char(command.service)).append(char(reason)));
}

QByteArray ElmBridge::ecuFrame(const Command& command, QByteArray payload) const {
    QByteArray bytes;
    bytes.append(char(0x48)).append(char(0x6B)).append(char(currentEcuAddress()));
    bytes.append(payload);
    bytes = bytes.leftJustified(replyLength(command), '\0', true);
    return frame(leading_, bytes);
}

void ElmBridge::request(const QByteArray& obd, Messages done) {
    adapter_->send(obd, [this, obd, done = std::move(done)](const ElmAnswer& answer) {
        noteVehicle(answer);
        learnFraming(answer);
        done(answer, messagesOf(answer, obd));
    });
}

// The adapter link learnt the protocol the first answer came on.
void ElmBridge::learnFraming(const ElmAnswer& answer) {
    if (answer.kind != ElmAnswer::Kind::Lines || framing_)
        return;
    const QString protocol = adapter_->protocol();
    framing_ = protocol.isEmpty() ? guessFraming(answer.lines) : framingOf(protocol);
}

// The box's "P" makes the program say that the vehicle cannot be reached and wait for it. An
// adapter that never ends its first search is looked at again, as one that found no bus.
void ElmBridge::noteVehicle(const ElmAnswer& answer) {
    const bool missing = answer.kind == ElmAnswer::Kind::UnableToConnect ||
                         (answer.kind == ElmAnswer::Kind::TimedOut && !framing_);
    if (missing && !vehicleMissing_)
        QTimer::singleShot(kVehicleRetry, this, &ElmBridge::lookForVehicle);
    vehicleMissing_ = missing;
}

void ElmBridge::lookForVehicle() {
    adapter_->send("0100", [this](const ElmAnswer& answer) {
        vehicleMissing_ = false; // so that a search that fails again is followed by another
        noteVehicle(answer);
        learnFraming(answer);
        noteEcus(messagesOf(answer, "0100"));
    });
}

// Every support answer adds the ECUs it shows whole, so one lost line does not hide the engine;
// one with a damaged line, or none at all, may lack it and decides nothing.
void ElmBridge::noteEcus(const ElmMessages& found) {
    for (const ElmMessage& message : found.messages) {
        if (std::find(ecus_.begin(), ecus_.end(), message.ecu) == ecus_.end())
            ecus_.push_back(message.ecu);
    }
    std::sort(ecus_.begin(), ecus_.end());
    if (!found.messages.empty() && !found.damaged && !ecuChosen_)
        ecu_ = ecus_.front();
}

ElmMessages ElmBridge::messagesOf(const ElmAnswer& answer, const QByteArray& obd) const {
    if (answer.kind != ElmAnswer::Kind::Lines)
        return {};
    return parseElmLines(answer.lines, framing_.value_or(ElmFraming::Can11), adapter_->headersOn(),
                         QByteArray::fromHex(obd));
}

std::optional<QByteArray> ElmBridge::pick(const ElmMessages& found) {
    const std::vector<ElmMessage>& messages = found.messages;
    if (messages.empty() || (!ecu_ && found.damaged))
        return std::nullopt;
    if (!ecu_) {
        ecu_ = std::min_element(messages.begin(), messages.end(), [](const auto& a, const auto& b) {
                   return a.ecu < b.ecu;
               })->ecu;
    }
    for (const ElmMessage& message : messages) {
        if (message.ecu == *ecu_)
            return message.data;
    }
    return std::nullopt;
}

void ElmBridge::answer(const Command& command, double, Done done) {
    const auto ask = [this, done](const QByteArray& obd, auto translate) {
        request(obd, [done, translate](const ElmAnswer& answer, const ElmMessages& found) {
            done(translate(answer, found));
        });
    };
    // The ECU's reply to the request, its refusal, or the unanswered frame.
    const auto reply = [this, command](auto body) {
        return [this, command, body](const ElmAnswer& answer, const ElmMessages& found) {
            const std::optional<QByteArray> data = pick(found);
            if (data && quint8(data->at(0)) == 0x7F)
                return refusal(command, quint8(data->at(2)));
            if (data)
                return ecuFrame(command, body(*data));
            if ((command.service == 0x05 || command.service == 0x06) &&
                answer.kind == ElmAnswer::Kind::NoData)
                return refusal(command, kNotSupported);
            return silence(command, answer, found);
        };
    };
    const auto same = [](const QByteArray& data) { return data; };
    const char pid = char(command.parameter);
    switch (command.service) {
    case 0x01:
        if (command.parameter != 0)
            return ask(hexPairs(QByteArray(1, 0x01).append(pid)), reply(same));
        return request(
            "0100", [this, done, reply, same](const ElmAnswer& answer, const ElmMessages& found) {
                noteEcus(found);
                done(reply(same)(answer, found));
            });
    case 0x02:
        return ask(hexPairs(QByteArray(1, 0x02).append(pid).append('\0')), reply(same));
    case 0x03:
    case 0x07:
        return ask(hexPairs(QByteArray(1, char(command.service))),
                   [this, command](const ElmAnswer& answer, const ElmMessages& found) {
                       return codeFrames(command, answer, found);
                   });
    case 0x04:
        return ask("04", reply(same));
    case 0x05:
    case 0x06: {
        // The box's text form of either service asks for the O2 sensor tests, which an adapter
        // finds in service $05; on CAN there are none there (NO DATA: "not supported"). The
        // answer repeats the sensor, which the box's reply leaves out except in the support
        // bytes, and the box labels support replies, and all of service $06, $46.
        const char bytes[] = {char(0x05), pid, char(command.length)};
        return ask(hexPairs(QByteArrayView(bytes, 3)), reply([command](const QByteArray& data) {
                       QByteArray box = command.parameter == 0 ? data : data.left(2) + data.mid(3);
                       if (command.parameter == 0 || command.service == 0x06)
                           box[0] = char(0x46);
                       return box;
                   }));
    }
    case 0x80:
        return nextEcu(std::move(done));
    case 0x90:
        return done(leading_ + adapter_->identity().toLatin1());
    case 0xF0:
        return passThroughAck(std::move(done));
    default:
        return done(unanswered(command));
    }
}

// Codes come as any number of ECU messages (non-CAN: three codes each; CAN: a count byte, then
// the codes); the box sends them as its own three-code frames, back to back, every code once. A
// damaged line may have been one of the ECU's frames: then the list is not known whole.
QByteArray ElmBridge::codeFrames(const Command& command, const ElmAnswer& answer,
                                 const ElmMessages& found) {
    const quint8 responseId = command.service + 0x40;
    if (found.damaged || !pick(found))
        return silence(command, answer, found);
    QByteArray codes;
    const auto listed = [&codes](QByteArrayView code) {
        for (qsizetype i = 0; i < codes.size(); i += 2) {
            if (QByteArrayView(codes).sliced(i, 2) == code)
                return true;
        }
        return false;
    };
    for (const ElmMessage& message : found.messages) {
        if (message.ecu != *ecu_)
            continue;
        if (quint8(message.data[0]) == 0x7F)
            return refusal(command, byteAt(message.data, 2));
        const bool counted = framing_ && isCan(*framing_);
        const QByteArray fields = message.data.mid(counted ? 2 : 1);
        for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
            const QByteArrayView code = QByteArrayView(fields).sliced(i, 2);
            if ((code[0] != 0 || code[1] != 0) && !listed(code))
                codes += code;
        }
    }
    QByteArray frames;
    do {
        frames += ecuFrame(command, QByteArray(1, char(responseId)).append(codes.left(6)));
        codes.remove(0, 6);
    } while (!codes.isEmpty());
    return frames;
}

// The next ECU of those that answered, and the adapter's header and filter set for it, so that
// requests go to it and its answers alone come back.
void ElmBridge::nextEcu(Done done) {
    if (!ecus_.empty()) {
        const auto it = std::find(ecus_.begin(), ecus_.end(), ecu_.value_or(ecus_.back()));
        ecu_ = it == ecus_.end() || it + 1 == ecus_.end() ? ecus_.front() : *(it + 1);
        ecuChosen_ = true;
    }
    const QByteArray reply = leading_ + hexPairs(QByteArray(1, char(currentEcuAddress()))) + "00";
    if (ecus_.empty() || !framing_ || !isCan(*framing_))
        return done(reply);
    const QByteArray address = hexPairs(QByteArray(1, char(*ecu_)));
    const bool can29 = framing_ == ElmFraming::Can29;
    const QByteArray header =
        can29 ? "DA" + address + "F1" : hexPairs(QByteArray(1, char(*ecu_ - 8))).prepend("7");
    const QByteArray filter = can29 ? "18DAF1" + address : "7" + address;
    // An adapter that knows neither command still gets every ECU's answer; the pick keeps one.
    adapter_->send("ATSH" + header, [this, filter, reply, done](const ElmAnswer&) {
        adapter_->send("ATCRA" + filter, [reply, done](const ElmAnswer&) { done(reply); });
    });
}

// Only the non-CAN form of the on-board test results is the one the program reads; on CAN the
// pass-through is refused with "NC", and the program says the results cannot be shown.
void ElmBridge::passThroughAck(Done done) const {
    if (framing_ && !isCan(*framing_))
        return done(leading_ + QByteArray("A1"));
    done(leading_ + QByteArray("NC"));
}

void ElmBridge::answerPassThrough(const QByteArray& command, Done done) {
    const int length = command.size() > 1 ? quint8(command[1]) : 0;
    const QByteArray obd = command.mid(5, std::clamp(length - 3, 0, 8));
    const quint8 testId = obd.size() > 1 ? quint8(obd[1]) : 0;
    request(hexPairs(obd), [this, done, testId](const ElmAnswer&, const ElmMessages& found) {
        QByteArray bytes;
        bytes.append(char(0x48)).append(char(0x6B)).append(char(currentEcuAddress()));
        std::optional<QByteArray> data = pick(found);
        // A test result repeats its test id, where the box's raw answer has none.
        if (data && testId != 0 && quint8(data->at(0)) == 0x46)
            data = data->left(1) + data->mid(2);
        bytes.append(data ? *data : QByteArray("\x7F\x06\x12", 3));
        bytes = bytes.leftJustified(13, '\0', true);
        quint8 sum = 0;
        for (char b : bytes)
            sum = quint8(sum + quint8(b));
        done(bytes.append(char(sum)));
    });
}

} // namespace sim
