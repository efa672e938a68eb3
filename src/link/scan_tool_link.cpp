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

void ScanToolLink::setTransport(Transport* transport) {
    if (transport_)
        disconnect(transport_, nullptr, this, nullptr);
    transport_ = transport;
    lost_ = false;
    if (transport_) {
        connect(transport_, &Transport::lost, this, [this](const QString& reason) {
            fail(QStringLiteral(
                     "The connection to the scan tool was lost (%1). Check the cable, then "
                     "restart Vamrick to connect again.")
                     .arg(reason));
        });
    }
}

void ScanToolLink::pumpEvents() {
    if (settings_.pump)
        settings_.pump();
    else
        pump_.pump();
}

void ScanToolLink::shutDown() {
    closing_ = true;
    state_.NoVehicleLink = true;
}

void ScanToolLink::fail(const QString& message) {
    state_.NoVehicleLink = true;
    if (lost_)
        return; // one message per lost connection, not one per exchange
    lost_ = true;
    view_.setLinkColour(LinkColour::Red);
    prompter_.message({message});
}

void ScanToolLink::OBDwait() {
    state_.NoVehicleLink = false;
    OBDinput();
    const qint64 deadline = now() + settings_.replyTimeout.count();
    QString work;
    lastReady_ = Ready::Ended;
    for (;;) {
        if (state_.NoVehicleLink)
            return;
        if (lost_ || cancelled()) {
            state_.NoVehicleLink = true;
            return;
        }
        if (now() >= deadline) {
            // No ready marker at all: nothing answers on this port.
            state_.NoVehicleLink = true;
            lastReady_ = Ready::NoAnswer;
            view_.setLinkColour(LinkColour::Red);
            return;
        }
        if (OBDinbuffercount() == 0) {
            pumpEvents();
            continue;
        }
        work += OBDinput();
        if (work.contains(QLatin1Char('S'))) {
            lastReady_ = Ready::Vehicle;
            view_.setLinkColour(LinkColour::Green);
            return;
        }
        if (work.contains(QLatin1Char('P'))) {
            state_.NoVehicleLink = true;
            lastReady_ = Ready::NoVehicle;
            view_.setLinkColour(LinkColour::Yellow);
            return;
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
        fail(QStringLiteral("Communication Error Reading Scan Tool Data"));
        return QStringLiteral("FF");
    }
    return QString::fromLatin1(*bytes);
}

int ScanToolLink::OBDoutput(const QString& strOUT) {
    if (!transport_ || lost_)
        return 0;
    if (!transport_->write(strOUT.toLatin1()))
        fail(QStringLiteral("Communication Error Writing Scan Tool Data"));
    return 0;
}

int ScanToolLink::OBDinbuffercount() {
    return transport_ && !lost_ ? int(std::min<qint64>(transport_->bytesAvailable(), 32767)) : 0;
}

bool ScanToolLink::awaitReply(int threshold) {
    const qint64 deadline = now() + settings_.replyTimeout.count();
    while (!state_.NoVehicleLink && OBDinbuffercount() <= threshold) {
        if (lost_ || cancelled() || now() >= deadline)
            return false;
        pumpEvents();
    }
    return !state_.NoVehicleLink;
}

QString ScanToolLink::readReply(int threshold) {
    const bool complete = awaitReply(threshold);
    const QString reply = OBDinput();
    return complete ? reply : QString();
}

QString ScanToolLink::request(const QString& command, int threshold) {
    OBDwait();
    OBDinput();
    OBDoutput(command);
    awaitReply(threshold);
    const QString reply = OBDinput();
    echo(reply);
    return reply;
}

void ScanToolLink::echo(const QString& reply) {
    if (state_.DebugMode)
        view_.appendStatusText(reply + QStringLiteral("\r\n"));
}

ScanToolLink::Operation::Operation(ScanToolLink& link) : link_(link), started_(!link.busy_) {
    if (started_) {
        link_.busy_ = true;
        link_.cancelled_ = false;
    }
}

ScanToolLink::Operation::~Operation() {
    if (started_)
        link_.busy_ = false;
}

} // namespace scan
