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
    : state_(state), view_(view), prompter_(prompter), settings_(std::move(settings)) {}

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

void ScanToolLink::pumpEvents() {
    if (settings_.pump)
        settings_.pump();
    else
        pump_.pump();
}

void ScanToolLink::cancel() {
    if (busy_)
        cancelled_ = true;
}

void ScanToolLink::shutDown() {
    closing_ = true;
    state_.NoVehicleLink = true;
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

ScanToolLink::Ready ScanToolLink::OBDwait() {
    state_.NoVehicleLink = false;
    OBDinput();
    const qint64 deadline = now() + settings_.replyTimeout.count();
    QString work;
    lastReady_ = Ready::Ended;
    for (;;) {
        if (state_.NoVehicleLink)
            return lastReady_;
        if (lost_ || cancelled()) {
            state_.NoVehicleLink = true;
            return lastReady_;
        }
        if (now() >= deadline) {
            // No ready marker at all: nothing answers on this port.
            state_.NoVehicleLink = true;
            view_.setLinkColour(LinkColour::Red);
            return lastReady_ = Ready::NoAnswer;
        }
        if (OBDinbuffercount() == 0) {
            pumpEvents();
            continue;
        }
        work += OBDinput();
        if (work.contains(QLatin1Char('S'))) {
            view_.setLinkColour(LinkColour::Green);
            return lastReady_ = Ready::Vehicle;
        }
        if (work.contains(QLatin1Char('P'))) {
            state_.NoVehicleLink = true;
            view_.setLinkColour(LinkColour::Yellow);
            return lastReady_ = Ready::NoVehicle;
        }
        work.clear();
        pumpEvents();
    }
}

QString ScanToolLink::OBDinput() {
    if (!transport_ || lost_)
        return QStringLiteral("FF");
    const std::optional<QByteArray> bytes = transport_->readAll();
    if (!bytes) {
        declareLost(QStringLiteral("Communication Error Reading Scan Tool Data"));
        return QStringLiteral("FF");
    }
    return QString::fromLatin1(*bytes);
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

ScanToolLink::WaitEnd ScanToolLink::awaitReply(int threshold,
                                               const std::function<bool()>& givenUp) {
    const qint64 deadline = now() + settings_.replyTimeout.count();
    for (;;) {
        if (lost_)
            return WaitEnd::Lost;
        if (cancelled())
            return WaitEnd::Stopped;
        if (state_.NoVehicleLink)
            return WaitEnd::NoVehicle;
        if (OBDinbuffercount() > threshold)
            return WaitEnd::Arrived;
        if (givenUp ? givenUp() : now() >= deadline)
            return WaitEnd::TimedOut;
        pumpEvents();
    }
}

Reply ScanToolLink::exchange(const QString& command, int threshold,
                             const std::function<bool()>& givenUp, Judge judge) {
    OBDinput(); // whatever is waiting is stale: a late answer to an earlier request
    OBDoutput(command);
    switch (awaitReply(threshold, givenUp)) {
    case WaitEnd::Arrived:
        return judge(command, threshold, OBDinput());
    case WaitEnd::TimedOut:
        OBDinput(); // a part of a reply must not be taken for the next one
        return Reply(Reply::Status::Late);
    case WaitEnd::NoVehicle:
        return Reply(Reply::Status::NoVehicle);
    case WaitEnd::Stopped:
        return Reply(Reply::Status::Stopped);
    case WaitEnd::Lost:
        break;
    }
    return Reply(Reply::Status::Lost);
}

Reply ScanToolLink::request(const QString& command, int threshold) {
    if (std::optional<Reply> notReady = awaitVehicle())
        return *notReady;
    return exchange(command, threshold);
}

ScanToolLink::Operation::Operation(ScanToolLink& link) : link_(link), started_(!link.busy_) {
    if (started_) {
        link_.busy_ = true;
        link_.cancelled_ = false;
    }
}

ScanToolLink::Operation::~Operation() {
    if (started_) {
        link_.busy_ = false;
        link_.cancelled_ = false;
    }
}

} // namespace scan
