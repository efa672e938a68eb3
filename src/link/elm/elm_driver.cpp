// SPDX-License-Identifier: GPL-3.0-or-later
#include "elm_driver.h"

#include "elm_port.h"

#include <algorithm>
#include <map>
#include <memory>

namespace scan::elm {

namespace {

using Kind = ElmAnswer::Kind;
using namespace std::chrono_literals;

// A request that brings its own deadline (the stored codes) may take the adapter this long.
constexpr std::chrono::milliseconds kLongAnswer = 10s;
// The first search for the bus waits this many reply timeouts: an ISO 9141 or KWP search can take
// over five seconds, and a carriage return sent on a timeout would abort it.
constexpr int kSearchTimeouts = 2;
// The adapter link ends every command within its timeout; this only guards against one that
// does not.
constexpr std::chrono::milliseconds kGuard = 2s;
// The adapter's own search for the bus takes seconds; this is the pause between searches.
constexpr std::chrono::milliseconds kSearchPause = 1s;
// A damaged answer gets this many tries, as on the box.
constexpr int kTries = 3;
constexpr double kFirmware = 4.00;
// A bus that says it is in error on this many requests in a row is out of reach.
constexpr int kBusErrorsInARow = 3;

bool busInError(const ElmAnswer& answer) {
    return answer.kind == Kind::BusError &&
           (answer.said == QLatin1String("CAN ERROR") ||
            answer.said == QLatin1String("BUS ERROR") || answer.said == QLatin1String("BUS BUSY"));
}

QByteArray hexOf(QByteArrayView bytes) {
    return bytes.toByteArray().toHex().toUpper();
}

bool isO2Test(int service) {
    return service == 0x05 || service == 0x06;
}

bool isCodeService(int service) {
    return service == 0x03 || service == 0x07 || service == 0x0A;
}

// A vehicle information answer in the numbered messages of a bus without ISO 15765: the
// response id and PID, then each message's four bytes in the order of its number. Nothing when
// a number is missing or repeated.
std::optional<QByteArray> joinedInformation(const std::vector<ElmMessage>& messages, quint8 ecu) {
    std::map<int, QByteArray> parts;
    QByteArray head;
    for (const ElmMessage& message : messages) {
        if (message.ecu != ecu)
            continue;
        head = message.data.left(2);
        if (!parts.emplace(quint8(message.data[2]), message.data.mid(3)).second)
            return std::nullopt;
    }
    QByteArray joined = head;
    int expected = 1;
    for (const auto& [number, bytes] : parts) {
        if (number != expected++)
            return std::nullopt;
        joined += bytes;
    }
    return joined;
}

// The bytes after the service as the adapter sends them: a freeze-frame request names frame 0;
// either O2 test service is asked in service $05, where an adapter finds the tests, except on
// CAN, where service $06 asks a monitor's test results.
QByteArray obdBytes(const ObdRequest& request, bool can) {
    const bool o2Test = isO2Test(request.service) && !(can && request.service == 0x06);
    QByteArray bytes(1, char(o2Test ? 0x05 : request.service));
    bytes += request.parameters;
    if (request.service == 0x02)
        bytes += '\0';
    return bytes;
}

// Codes from every message of one ECU (non-CAN: three a message; CAN: a count byte, then the
// codes), each once, the empty ones left out.
QByteArray codesOf(const std::vector<ElmMessage>& messages, quint8 ecu, bool counted) {
    QByteArray codes;
    for (const ElmMessage& message : messages) {
        if (message.ecu != ecu)
            continue;
        const QByteArray fields = message.data.mid(counted ? 2 : 1);
        for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
            const QByteArray code = fields.mid(i, 2);
            bool listed = false;
            for (qsizetype k = 0; k < codes.size() && !listed; k += 2)
                listed = codes.mid(k, 2) == code;
            if ((code[0] != 0 || code[1] != 0) && !listed)
                codes += code;
        }
    }
    return codes;
}

} // namespace

ElmAdapter* ElmDriver::adapter() const {
    return port_ && link_.transport() == port_ ? &port_->adapter() : nullptr;
}

ElmAnswer ElmDriver::send(const QByteArray& command,
                          std::optional<std::chrono::milliseconds> timeout) {
    ElmAdapter* elm = adapter();
    if (!elm || link_.lost())
        return {Kind::Lost, {}, {}};
    // Shared with the adapter: an answer that comes after the wait ended goes nowhere.
    auto answer = std::make_shared<std::optional<ElmAnswer>>();
    elm->send(
        command, [answer](const ElmAnswer& a) { *answer = a; }, timeout);
    const auto bound = timeout.value_or(link_.replyTimeout()) + kGuard;
    const WaitEnd end = link_.wait([&] { return answer->has_value(); },
                                   Deadline::after([this] { return link_.now(); }, bound));
    if (answer->has_value())
        return **answer;
    if (link_.lost())
        return {Kind::Lost, {}, {}};
    return {end == WaitEnd::Stopped ? Kind::Stopped : Kind::TimedOut, {}, {}};
}

ElmDriver::Exchange ElmDriver::askAdapter(const QByteArray& obd,
                                          std::optional<std::chrono::milliseconds> timeout) {
    Exchange exchange{send(hexOf(obd), timeout), {}};
    const ElmAnswer& answer = exchange.answer;
    if (answer.kind != Kind::Lines)
        return exchange;
    if (!framing_) {
        const QString protocol = adapter() ? adapter()->protocol() : QString();
        framing_ = protocol.isEmpty() ? guessFraming(answer.lines) : framingOf(protocol);
    }
    exchange.found =
        parseElmLines(answer.lines, *framing_, adapter() && adapter()->headersOn(), obd);
    return exchange;
}

void ElmDriver::noteEcus(const ElmMessages& found) {
    for (const ElmMessage& message : found.messages) {
        if (std::find(ecus_.begin(), ecus_.end(), message.ecu) == ecus_.end())
            ecus_.push_back(message.ecu);
    }
    std::sort(ecus_.begin(), ecus_.end());
    // One support answer with a damaged line may lack the engine: it decides nothing.
    if (!found.messages.empty() && !found.damaged && !ecuChosen_)
        ecu_ = ecus_.front();
}

std::optional<QByteArray> ElmDriver::currentData(const ElmMessages& found) {
    if (!ecu_ && !found.damaged && !found.messages.empty())
        ecu_ = std::min_element(found.messages.begin(), found.messages.end(),
                                [](const auto& a, const auto& b) { return a.ecu < b.ecu; })
                   ->ecu;
    for (const ElmMessage& message : found.messages) {
        if (ecu_ && message.ecu == *ecu_)
            return message.data;
    }
    return std::nullopt;
}

QList<EcuAnswer> ElmDriver::ordered(const ElmMessages& found) const {
    QList<EcuAnswer> current;
    QList<EcuAnswer> others;
    for (const ElmMessage& message : found.messages)
        (ecu_ && message.ecu == *ecu_ ? current : others).append({message.ecu, message.data});
    return current + others;
}

ObdAnswer ElmDriver::answerOf(const ObdRequest& request, const Exchange& exchange) {
    const ElmAnswer& answer = exchange.answer;
    const ElmMessages& found = exchange.found;
    const QString raw = answer.lines.join(QLatin1Char(' '));
    switch (answer.kind) {
    case Kind::Lines:
        break;
    case Kind::NoData:
    case Kind::UnableToConnect:
        // Nothing answered. An O2 test nobody answers is one the vehicle does not offer.
        return ObdAnswer(isO2Test(request.service) && answer.kind == Kind::NoData
                             ? AnswerStatus::Refused
                             : AnswerStatus::EcuTimeout,
                         raw);
    case Kind::TimedOut:
        return ObdAnswer(AnswerStatus::Late, raw);
    case Kind::Lost:
        return ObdAnswer(AnswerStatus::Lost, raw);
    case Kind::Stopped:
        // The user's stop, or the adapter's own "STOPPED", which is no answer.
        if (answer.said.isEmpty())
            return ObdAnswer(AnswerStatus::Stopped, raw);
        [[fallthrough]];
    default:
        return ObdAnswer(AnswerStatus::Garbled, raw, answer.said);
    }
    const bool currentAnswered = currentData(found).has_value();
    QList<EcuAnswer> ecus = ordered(found);
    // The current ECU said nothing while others answered whole: it did not answer. Anything
    // damaged may have been its answer: no answer at all.
    const bool wholeOnly = isCodeService(request.service) || request.service == 0x09;
    if (!currentAnswered || (wholeOnly && found.damaged))
        return ObdAnswer(found.damaged ? AnswerStatus::Garbled : AnswerStatus::EcuTimeout, raw);
    QByteArray& data = ecus.front().data;
    if (quint8(data[0]) == 0x7F)
        return ObdAnswer(AnswerStatus::Refused, raw);
    if (isCodeService(request.service)) {
        // Every ECU's codes once, the current ECU's first; another ECU's refusal is no code.
        QList<EcuAnswer> codeAnswers;
        for (const EcuAnswer& ecu : std::as_const(ecus)) {
            const bool listed =
                std::any_of(codeAnswers.begin(), codeAnswers.end(),
                            [&](const EcuAnswer& known) { return known.address == ecu.address; });
            if (listed || quint8(ecu.data[0]) == 0x7F)
                continue;
            QByteArray codes = codesOf(found.messages, ecu.address, onCan());
            // In threes, the last group filled with empty codes, as the box's frames carry them.
            codes = codes.leftJustified(std::max<qsizetype>(6, (codes.size() + 5) / 6 * 6), '\0');
            codeAnswers.append({ecu.address, QByteArray(1, ecu.data[0]) + codes});
        }
        return ObdAnswer(codeAnswers, raw);
    }
    if (request.service == 0x09) {
        // The items' lengths vary: the service judges them.
        const bool numbered = !onCan() && quint8(data[1]) % 0x20 != 0;
        if (!numbered)
            return ObdAnswer(ecus, raw);
        const std::optional<QByteArray> joined = joinedInformation(found.messages, *ecu_);
        if (!joined)
            return ObdAnswer(AnswerStatus::Garbled, raw);
        data = *joined;
        return ObdAnswer({ecus.front()}, raw);
    }
    if (request.service == 0x06 && onCan())
        return ObdAnswer({ecus.front()}, raw); // the monitor's records, judged by the service
    if (request.severalPids())
        return ObdAnswer(ecus, raw); // each PID's data is read out by ObdAnswer::ofPid
    if (isO2Test(request.service)) {
        const bool support = request.parameters.isEmpty() || request.parameters[0] == 0;
        if (!support)
            data.remove(2, 1); // the sensor, which the request named
        if (support || request.service == 0x06)
            data[0] = char(0x46);
    }
    data = data.leftJustified(1 + request.answerBytes, '\0', true);
    return ObdAnswer(ecus, raw);
}

ObdAnswer ElmDriver::ask(const ObdRequest& request) {
    if (const std::optional<AnswerStatus> notReady = awaitVehicle())
        return ObdAnswer(*notReady);
    // The codes are asked of every ECU at once, whichever one the ECU switch chose on CAN.
    const bool toAll = isCodeService(request.service) && ecuChosen_ && onCan();
    if (toAll)
        addressAllEcus();
    const ObdAnswer answer = askAgainWhenDamaged(request);
    if (toAll)
        addressChosenEcu();
    return answer;
}

ObdAnswer ElmDriver::askAgainWhenDamaged(const ObdRequest& request) {
    const auto timeout = request.deadline ? std::optional(kLongAnswer) : std::nullopt;
    ObdAnswer answer;
    for (int attempt = 1; attempt <= kTries; ++attempt) {
        const Exchange exchange = askAdapter(obdBytes(request, onCan()), timeout);
        if (exchange.answer.kind == Kind::UnableToConnect)
            vehicleMissing_ = true;
        if (request.service == 0x01 && request.parameters == QByteArray(1, 0))
            noteEcus(exchange.found);
        busErrors_ = busInError(exchange.answer) ? busErrors_ + 1 : 0;
        if (busErrors_ == kBusErrorsInARow) {
            busErrors_ = 0;
            return ObdAnswer(AnswerStatus::NoVehicle, {}, exchange.answer.said);
        }
        answer = answerOf(request, exchange);
        if (request.deadline && request.deadline->passed() && !answer.answered())
            return ObdAnswer(AnswerStatus::Late, answer.raw());
        // Damaged lines are asked again; what the adapter said instead of data is its answer.
        if (answer.status() != AnswerStatus::Garbled || !answer.said().isEmpty())
            break;
    }
    return answer;
}

Capabilities ElmDriver::capabilities() const {
    Capabilities can;
    can.severalEcus = true;
    can.vehicleInformation = true;
    can.severalPids = onCan() && !onePid_;
    can.canTestResults = onCan();
    can.rawPassThrough = framing_ && !isCan(*framing_);
    return can;
}

bool ElmDriver::search() {
    const Exchange exchange =
        askAdapter(QByteArray(1, 0x00).prepend(char(0x01)),
                   framing_ ? std::nullopt : std::optional(kSearchTimeouts * link_.replyTimeout()));
    const ElmAnswer& answer = exchange.answer;
    vehicleMissing_ =
        answer.kind == Kind::UnableToConnect || (answer.kind == Kind::TimedOut && !framing_);
    noteEcus(exchange.found);
    return !vehicleMissing_;
}

Driver::Start ElmDriver::start(std::optional<std::chrono::milliseconds> limit) {
    port_ = qobject_cast<ElmPort*>(link_.transport());
    framing_.reset();
    vehicleMissing_ = false;
    ecu_.reset();
    ecuChosen_ = false;
    ecus_.clear();
    busErrors_ = 0;
    onePid_ = false;
    if (!port_)
        return {};
    const Deadline deadline =
        limit ? Deadline::after([this] { return link_.now(); }, *limit) : Deadline::never();
    // The adapter bounds its own reset and line speeds; failing, it says why and the link is lost.
    bool ready = false;
    const QMetaObject::Connection readied =
        QObject::connect(&port_->adapter(), &ElmAdapter::ready, [&ready] { ready = true; });
    port_->adapter().start();
    const WaitEnd end = link_.wait([&] { return ready; }, deadline);
    QObject::disconnect(readied);
    if (end != WaitEnd::Met)
        return {false, end == WaitEnd::TimedOut
                           ? QStringLiteral("no answer from an ELM327 adapter on this port")
                           : QString()};
    while (!search()) {
        if (link_.lost() || link_.stopRequested())
            return {};
        view_.setLinkColour(LinkColour::Yellow);
        view_.showOutOfReach(QStringLiteral("Waiting for ECU"));
        const qint64 resume = link_.now() + kSearchPause.count();
        if (link_.wait([] { return false; }, Deadline::when([&] {
                           return deadline.passed() || link_.now() >= resume;
                       })) != WaitEnd::TimedOut ||
            deadline.passed())
            return {false, link_.lost() || link_.stopRequested()
                               ? QString()
                               : QStringLiteral("the scan tool answers but does not reach the "
                                                "vehicle: is the ignition on?")};
    }
    if (link_.lost())
        return {};
    link_.state().NoVehicleLink = false;
    view_.setLinkColour(LinkColour::Green);
    return {true, {}};
}

std::optional<AnswerStatus> ElmDriver::awaitVehicle() {
    if (link_.lost())
        return AnswerStatus::Lost;
    if (link_.stopRequested())
        return AnswerStatus::Stopped;
    if (vehicleMissing_ && !search())
        return link_.lost() ? AnswerStatus::Lost : AnswerStatus::NoVehicle;
    return std::nullopt;
}

Driver::RawAnswer ElmDriver::passThrough(quint8 service, quint8 testId, quint8 componentId,
                                         int length) {
    RawAnswer raw;
    if (const std::optional<AnswerStatus> notReady = awaitVehicle()) {
        raw.status = *notReady;
        return raw;
    }
    if (!capabilities().rawPassThrough) {
        raw.status = AnswerStatus::Refused;
        return raw;
    }
    const char message[] = {char(service), char(testId), char(componentId)};
    const QByteArray obd(message, std::clamp(length - 3, 1, 3));
    const Exchange exchange = askAdapter(obd);
    const bool userStop = exchange.answer.kind == Kind::Stopped && exchange.answer.said.isEmpty();
    if (exchange.answer.kind == Kind::Lost || userStop) {
        raw.status = userStop ? AnswerStatus::Stopped : AnswerStatus::Lost;
        return raw;
    }
    const Kind kind = exchange.answer.kind;
    std::optional<QByteArray> data =
        kind == Kind::Lines ? currentData(exchange.found) : std::nullopt;
    // An answer to another service is no answer either.
    if (data && quint8(data->at(0)) != 0x46 && quint8(data->at(0)) != 0x7F) {
        raw.status = AnswerStatus::Garbled;
        return raw;
    }
    if (!data) {
        // Silence, a damaged line or what the adapter said instead is no answer, never the ECU's
        // negative one.
        const bool silent = kind == Kind::NoData || kind == Kind::UnableToConnect ||
                            (kind == Kind::Lines && !exchange.found.damaged);
        raw.status = silent                   ? AnswerStatus::EcuTimeout
                     : kind == Kind::TimedOut ? AnswerStatus::Late
                                              : AnswerStatus::Garbled;
        return raw;
    }
    QByteArray bytes("\x48\x6B", 2);
    bytes += char(ecu_.value_or(0));
    // A test result repeats its test id, where the raw message has none.
    if (testId != 0 && quint8(data->at(0)) == 0x46)
        data = data->left(1) + data->mid(2);
    bytes += *data;
    bytes = bytes.leftJustified(qsizetype(raw.bytes.size()), '\0', true);
    std::copy(bytes.begin(), bytes.end(), raw.bytes.begin());
    raw.status = AnswerStatus::Answered;
    return raw;
}

Driver::Identity ElmDriver::identify() {
    Identity identity;
    ElmAdapter* elm = adapter();
    identity.status = elm ? AnswerStatus::Answered : AnswerStatus::Lost;
    if (elm) {
        identity.caption = elm->identity();
        identity.version = kFirmware;
        identity.protocol = elm->protocol();
    }
    return identity;
}

void ElmDriver::nextEcu() {
    if (ecus_.empty())
        return;
    const auto it = std::find(ecus_.begin(), ecus_.end(), ecu_.value_or(ecus_.back()));
    ecu_ = it == ecus_.end() || it + 1 == ecus_.end() ? ecus_.front() : *(it + 1);
    ecuChosen_ = true;
    if (onCan())
        addressChosenEcu();
}

void ElmDriver::addressChosenEcu() {
    // Requests go to the chosen ECU and its answers alone come back. An adapter that knows
    // neither command still gets every ECU's answer; the current one's is read first.
    const QByteArray address = hexOf(QByteArray(1, char(*ecu_)));
    const bool can29 = framing_ == ElmFraming::Can29;
    send(can29 ? "ATSHDA" + address + "F1" : "ATSH7" + hexOf(QByteArray(1, char(*ecu_ - 8))));
    send(can29 ? "ATCRA18DAF1" + address : "ATCRA7" + address);
}

void ElmDriver::addressAllEcus() {
    send(framing_ == ElmFraming::Can29 ? "ATSHDB33F1" : "ATSH7DF");
    send("ATAR");
}

} // namespace scan::elm
