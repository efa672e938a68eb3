// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan_tool_link.h"

namespace scan {

namespace {
int nibble(QChar c) {
    int v = std::max<int>(c.unicode(), '0') - '0';
    if (v > 9)
        v -= 7;
    return v;
}
} // namespace

int conv_hex(QString& Hex1) {
    if (Hex1.isEmpty())
        Hex1 = QStringLiteral("00");
    const int high = nibble(Hex1[0]);
    const int low = Hex1.size() > 1 ? nibble(Hex1[1]) : 0;
    const int sum = high * 16 + low;
    return sum > 255 ? 128 : sum;
}

int conv_hex(const QString& Hex1) {
    QString copy = Hex1;
    return conv_hex(copy);
}

ScanToolLink::ScanToolLink(LinkState& state, LinkView& view, core::Prompter& prompter,
                           Settings settings)
    : state_(state), view_(view), prompter_(prompter), settings_(std::move(settings)) {
    if (!settings_.pump)
        settings_.pump = [this] { pump_.pump(); };
}

ScanToolLink::ScanToolLink(LinkState& state, LinkView& view, core::Prompter& prompter)
    : ScanToolLink(state, view, prompter, Settings{}) {}

void ScanToolLink::setTransport(Transport* transport, const QString& where) {
    if (transport_)
        disconnect(transport_, nullptr, this, nullptr);
    transport_ = transport;
    where_ = where;
    lost_ = false;
    if (transport_) {
        connect(transport_, &Transport::lost, this,
                [this](const QString& reason) { declareLost({}, reason); });
    }
}

void ScanToolLink::cancel() {
    if (busy_)
        stop_.request_stop();
}

void ScanToolLink::shutDown() {
    closing_ = true;
    state_.NoVehicleLink = true;
    stop_.request_stop();
}

void ScanToolLink::renewStop() {
    stop_ = std::stop_source();
    if (closing_)
        stop_.request_stop();
}

bool ScanToolLink::ComPortActive() const {
    return !transport_ || transport_->readySignal() == Transport::ReadySignal::Markers;
}

WaitEnd ScanToolLink::wait(const std::function<bool()>& condition, const Deadline& deadline) {
    return waitUntil([&] { return lost_ || condition(); }, deadline, stop_.get_token(),
                     settings_.pump);
}

void ScanToolLink::declareLost(const QString& problem, const QString& reason) {
    state_.NoVehicleLink = true;
    if (lost_)
        return; // one message per lost scan tool, not one per exchange
    lost_ = true;
    view_.setLinkColour(LinkColour::Red);
    QString text = QStringLiteral("The scan tool stopped answering");
    if (!where_.isEmpty())
        text += QStringLiteral(" on ") + where_;
    text += QStringLiteral(": it may have been unplugged");
    if (!reason.isEmpty())
        text += QStringLiteral(" (") + reason + QLatin1Char(')');
    text += QLatin1Char('.');
    if (!problem.isEmpty())
        text = problem + QLatin1Char('\n') + text;
    emit scanToolLost();
    prompter_.message({text});
}

ReadyState ScanToolLink::readyNow() {
    if (!transport_ || lost_)
        return ReadyState::NotYet;
    if (transport_->readySignal() == Transport::ReadySignal::Poll)
        return transport_->pollReady();
    return OBDinbuffercount() > 0 ? readyMarkerIn(OBDinput().toLatin1()) : ReadyState::NotYet;
}

void ScanToolLink::forgetReady() {
    if (transport_ && transport_->readySignal() == Transport::ReadySignal::Poll)
        transport_->pollReady();
    else
        OBDinput();
}

ScanToolLink::Ready ScanToolLink::OBDwait() {
    state_.NoVehicleLink = false;
    forgetReady();
    ReadyState seen = ReadyState::NotYet;
    const WaitEnd end = wait(
        [&] {
            seen = state_.NoVehicleLink ? ReadyState::NotYet : readyNow();
            return state_.NoVehicleLink || seen != ReadyState::NotYet;
        },
        replyDeadline());
    if (end == WaitEnd::TimedOut) {
        // No ready sign at all: nothing answers on this port.
        state_.NoVehicleLink = true;
        view_.setLinkColour(LinkColour::Red);
        return Ready::NoAnswer;
    }
    if (end == WaitEnd::Stopped || lost_ || seen == ReadyState::NotYet) {
        state_.NoVehicleLink = true;
        return Ready::Ended;
    }
    if (seen == ReadyState::NoVehicle) {
        state_.NoVehicleLink = true;
        view_.setLinkColour(LinkColour::Yellow);
        return Ready::NoVehicle;
    }
    view_.setLinkColour(LinkColour::Green);
    return Ready::Vehicle;
}

std::optional<QByteArray> ScanToolLink::takeInput() {
    if (!transport_ || lost_)
        return std::nullopt;
    std::optional<QByteArray> bytes = transport_->readAll();
    if (!bytes)
        declareLost(QStringLiteral("Communication Error Reading Scan Tool Data"));
    return bytes;
}

QString ScanToolLink::OBDinput() {
    const std::optional<QByteArray> bytes = takeInput();
    return bytes ? QString::fromLatin1(*bytes) : QStringLiteral("FF");
}

int ScanToolLink::OBDoutput(const QString& strOUT) {
    if (!transport_ || lost_)
        return 0;
    if (!transport_->write(strOUT.toLatin1()))
        declareLost(QStringLiteral("Communication Error Writing Scan Tool Data"));
    return 0;
}

int ScanToolLink::OBDinbuffercount() {
    return transport_ && !lost_ ? int(std::min<qint64>(transport_->bytesAvailable(), 32767)) : 0;
}

std::optional<Reply> ScanToolLink::awaitVehicle() {
    switch (OBDwait()) {
    case Ready::Vehicle:
        return std::nullopt;
    case Ready::NoVehicle:
        return Reply(Reply::Status::NoVehicle);
    case Ready::NoAnswer:
        declareLost({});
        return Reply(Reply::Status::Lost);
    case Ready::Ended:
        break;
    }
    return Reply(lost_ ? Reply::Status::Lost : Reply::Status::Stopped);
}

Reply ScanToolLink::exchange(const QString& command, int threshold,
                             const std::optional<Deadline>& deadline, Judge judge) {
    OBDinput(); // whatever is waiting is stale: a late answer to an earlier request
    OBDoutput(command);
    QString arrived;
    const auto complete = [&] {
        if (OBDinbuffercount() > 0)
            arrived += OBDinput();
        // A ready marker already on the wire when the command went out comes ahead of the
        // reply; it must not count towards the reply's length.
        const QStringView reply = QStringView(arrived).mid(arrived.startsWith(QLatin1Char('S')));
        return reply.size() > threshold && reply.size() >= Reply::wholeLength(command, reply);
    };
    if (std::optional<Reply> missing = awaitReply(complete, deadline ? *deadline : replyDeadline()))
        return *missing;
    return judge(command, threshold, arrived + OBDinput());
}

Reply ScanToolLink::passThrough(const QByteArray& frame, int threshold) {
    OBDinput();
    if (transport_ && !lost_ && !transport_->writePassThrough(frame))
        declareLost(QStringLiteral("Communication Error Writing Scan Tool Data"));
    if (std::optional<Reply> missing =
            awaitReply([&] { return OBDinbuffercount() > threshold; }, replyDeadline()))
        return *missing;
    const std::optional<QByteArray> bytes = takeInput();
    return bytes ? Reply::raw(threshold, *bytes) : Reply(Reply::Status::Lost);
}

std::optional<Reply> ScanToolLink::awaitReply(const std::function<bool()>& complete,
                                              const Deadline& deadline) {
    const WaitEnd end = wait([&] { return state_.NoVehicleLink || complete(); }, deadline);
    if (lost_)
        return Reply(Reply::Status::Lost);
    if (end == WaitEnd::Stopped)
        return Reply(Reply::Status::Stopped);
    if (state_.NoVehicleLink)
        return Reply(Reply::Status::NoVehicle);
    if (end == WaitEnd::TimedOut) {
        OBDinput(); // a part of a reply must not be taken for the next one
        return Reply(Reply::Status::Late);
    }
    return std::nullopt;
}

Reply ScanToolLink::request(const QString& command, int threshold) {
    if (std::optional<Reply> notReady = awaitVehicle())
        return *notReady;
    return exchange(command, threshold);
}

ScanToolLink::Operation::Operation(ScanToolLink& link) : link_(link), started_(!link.busy_) {
    if (started_) {
        link_.busy_ = true;
        link_.renewStop();
    }
}

ScanToolLink::Operation::~Operation() {
    if (started_) {
        link_.busy_ = false;
        link_.renewStop();
    }
}

} // namespace scan
