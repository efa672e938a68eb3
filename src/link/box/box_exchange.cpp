// SPDX-License-Identifier: GPL-3.0-or-later
#include "box_exchange.h"

namespace scan::box {

namespace {
const QString kWriteError = QStringLiteral("Communication Error Writing Scan Tool Data");
constexpr char kTraceName[] = "box";

// A reply as the trace shows it: without the ready markers around it.
QByteArrayView withoutMarkers(QByteArrayView text) {
    if (text.size() > 1 && text.front() == 'S')
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == 'S' || text.back() == 'P'))
        text.chop(1);
    return text;
}
} // namespace

void BoxExchange::traceSent(QByteArrayView bytes) {
    if (Trace* trace = link_.trace())
        trace->sent(kTraceName, bytes);
}

void BoxExchange::traceReceived(QByteArrayView bytes) {
    if (Trace* trace = link_.trace())
        trace->received(kTraceName, withoutMarkers(bytes));
}

bool BoxExchange::ComPortActive() const {
    const Transport* transport = link_.transport();
    return !transport || transport->readySignal() == Transport::ReadySignal::Markers;
}

ReadyState BoxExchange::readyNow() {
    Transport* transport = link_.transport();
    if (!transport || link_.lost())
        return ReadyState::NotYet;
    if (transport->readySignal() == Transport::ReadySignal::Poll)
        return transport->pollReady();
    return OBDinbuffercount() > 0 ? readyMarkerIn(collectReply().toLatin1()) : ReadyState::NotYet;
}

void BoxExchange::forgetReady() {
    Transport* transport = link_.transport();
    if (transport && transport->readySignal() == Transport::ReadySignal::Poll)
        transport->pollReady();
    else
        collectReply();
}

BoxExchange::Ready BoxExchange::awaitReady() {
    LinkState& state = link_.state();
    state.NoVehicleLink = false;
    forgetReady();
    ReadyState seen = ReadyState::NotYet;
    const WaitEnd end = link_.wait(
        [&] {
            seen = state.NoVehicleLink ? ReadyState::NotYet : readyNow();
            return state.NoVehicleLink || seen != ReadyState::NotYet;
        },
        link_.replyDeadline());
    if (end == WaitEnd::TimedOut) {
        // No ready sign at all: nothing answers on this port.
        state.NoVehicleLink = true;
        view_.setLinkColour(LinkColour::Red);
        return Ready::NoAnswer;
    }
    if (end == WaitEnd::Stopped || link_.lost() || seen == ReadyState::NotYet) {
        state.NoVehicleLink = true;
        return Ready::Ended;
    }
    if (seen == ReadyState::NoVehicle) {
        state.NoVehicleLink = true;
        view_.setLinkColour(LinkColour::Yellow);
        return Ready::NoVehicle;
    }
    view_.setLinkColour(LinkColour::Green);
    return Ready::Vehicle;
}

QString BoxExchange::collectReply() {
    const std::optional<QByteArray> bytes = link_.takeInput();
    return bytes ? QString::fromLatin1(*bytes) : QStringLiteral("FF");
}

int BoxExchange::sendCommand(const QString& strOUT) {
    Transport* transport = link_.transport();
    if (!transport || link_.lost())
        return 0;
    const QByteArray bytes = strOUT.toLatin1();
    traceSent(bytes);
    if (!transport->write(bytes))
        link_.declareLost(kWriteError);
    return 0;
}

int BoxExchange::OBDinbuffercount() {
    const Transport* transport = link_.transport();
    return transport && !link_.lost() ? int(std::min<qint64>(transport->bytesAvailable(), 32767))
                                      : 0;
}

std::optional<Reply> BoxExchange::awaitVehicle() {
    switch (awaitReady()) {
    case Ready::Vehicle:
        return std::nullopt;
    case Ready::NoVehicle:
        return Reply(AnswerStatus::NoVehicle);
    case Ready::NoAnswer:
        link_.declareLost({});
        return Reply(AnswerStatus::Lost);
    case Ready::Ended:
        break;
    }
    return Reply(link_.lost() ? AnswerStatus::Lost : AnswerStatus::Stopped);
}

Reply BoxExchange::exchange(const QString& command, int threshold,
                            const std::optional<Deadline>& deadline, Judge judge) {
    collectReply(); // whatever is waiting is stale: a late answer to an earlier request
    sendCommand(command);
    QString arrived;
    const auto complete = [&] {
        if (OBDinbuffercount() > 0)
            arrived += collectReply();
        // A ready marker already on the wire when the command went out comes ahead of the
        // reply; it must not count towards the reply's length.
        const QStringView reply = QStringView(arrived).mid(arrived.startsWith(QLatin1Char('S')));
        return reply.size() > threshold && reply.size() >= Reply::wholeLength(command, reply);
    };
    std::optional<Reply> missing =
        awaitReply(complete, deadline ? *deadline : link_.replyDeadline(), &arrived);
    if (!missing)
        arrived += collectReply();
    traceReceived(arrived.toLatin1());
    return missing ? *missing : judge(command, threshold, arrived);
}

Reply BoxExchange::passThrough(const QByteArray& frame, int threshold) {
    collectReply();
    Transport* transport = link_.transport();
    if (transport && !link_.lost()) {
        traceSent(frame);
        if (!transport->writePassThrough(frame))
            link_.declareLost(kWriteError);
    }
    if (std::optional<Reply> missing =
            awaitReply([&] { return OBDinbuffercount() > threshold; }, link_.replyDeadline()))
        return *missing;
    const std::optional<QByteArray> bytes = link_.takeInput();
    if (!bytes)
        return Reply(AnswerStatus::Lost);
    traceReceived(*bytes);
    return Reply::raw(threshold, *bytes);
}

std::optional<Reply> BoxExchange::awaitReply(const std::function<bool()>& complete,
                                             const Deadline& deadline, QString* arrived) {
    LinkState& state = link_.state();
    const WaitEnd end = link_.wait([&] { return state.NoVehicleLink || complete(); }, deadline);
    if (link_.lost())
        return Reply(AnswerStatus::Lost);
    if (end == WaitEnd::Stopped)
        return Reply(AnswerStatus::Stopped);
    if (state.NoVehicleLink)
        return Reply(AnswerStatus::NoVehicle);
    if (end == WaitEnd::TimedOut) {
        // A part of a reply must not be taken for the next one.
        const std::optional<QByteArray> rest = link_.takeInput();
        if (arrived && rest)
            *arrived += QString::fromLatin1(*rest);
        return Reply(AnswerStatus::Late);
    }
    return std::nullopt;
}

Reply BoxExchange::request(const QString& command, int threshold) {
    if (std::optional<Reply> notReady = awaitVehicle())
        return *notReady;
    return exchange(command, threshold);
}

} // namespace scan::box
