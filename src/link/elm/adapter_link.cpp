// SPDX-License-Identifier: GPL-3.0-or-later
#include "adapter_link.h"

#include <QSerialPort>
#include <QTcpSocket>

#include <algorithm>

namespace scan::elm {

namespace {

using Kind = ElmAnswer::Kind;

// Longer than an adapter takes to start answering a repeated request.
constexpr std::chrono::milliseconds kSettle{250};

bool isTcp(const QString& device) {
    return device.startsWith(QLatin1String("tcp:"));
}

ElmAnswer answerOf(Kind kind) {
    ElmAnswer answer;
    answer.kind = kind;
    return answer;
}

} // namespace

AdapterLink::AdapterLink(QString device, AdapterOptions options, QObject* parent)
    : ElmAdapter(parent), device_(std::move(device)), options_(options) {
    bauds_.push_back(options_.baud);
    for (qint32 baud : {38400, 9600, 115200})
        if (baud != options_.baud)
            bauds_.push_back(baud);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &AdapterLink::timedOut);
    settle_.setSingleShot(true);
    settle_.setInterval(kSettle);
    connect(&settle_, &QTimer::timeout, this, &AdapterLink::endResync);
}

AdapterLink::~AdapterLink() {
    closeDevice();
}

qint32 AdapterLink::baudRate() const {
    return serial_ && answeredAtBaud_ ? bauds_[baudIndex_] : 0;
}

void AdapterLink::start() {
    closeDevice();
    failAll(); // what a previous start left waiting
    starting_ = true;
    if (isTcp(device_)) {
        openTcp();
        return;
    }
    QString error;
    if (!openSerial(error)) {
        giveUp(error);
        return;
    }
    initialise();
}

bool AdapterLink::openSerial(QString& error) {
    auto port = std::make_unique<QSerialPort>(device_);
    serial_ = port.get();
    io_ = std::move(port);
    baudIndex_ = 0;
    const bool ok = serial_->open(QIODevice::ReadWrite) && serial_->setBaudRate(bauds_[0]) &&
                    serial_->setDataBits(QSerialPort::Data8) &&
                    serial_->setParity(QSerialPort::NoParity) &&
                    serial_->setStopBits(QSerialPort::OneStop) &&
                    serial_->setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        error = device_ + QStringLiteral(": ") + serial_->errorString();
        closeDevice();
        return false;
    }
    connect(serial_, &QSerialPort::readyRead, this, &AdapterLink::readAvailable);
    connect(serial_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError || e == QSerialPort::ReadError)
            loseWith(device_ + QStringLiteral(": ") + serial_->errorString());
    });
    return true;
}

void AdapterLink::openTcp() {
    const QString address = device_.mid(4);
    const qsizetype colon = address.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const quint16 port = colon > 0 ? address.mid(colon + 1).toUShort(&ok) : 0;
    if (!ok || port == 0) {
        giveUp(device_ + QStringLiteral(": not HOST:PORT"));
        return;
    }
    auto socket = std::make_unique<QTcpSocket>();
    tcp_ = socket.get();
    io_ = std::move(socket);
    connect(tcp_, &QTcpSocket::readyRead, this, &AdapterLink::readAvailable);
    connect(tcp_, &QTcpSocket::connected, this, [this] {
        timer_.stop();
        initialise();
    });
    connect(tcp_, &QTcpSocket::errorOccurred, this,
            [this] { loseWith(device_ + QStringLiteral(": ") + tcp_->errorString()); });
    // Connecting is bounded like any answer.
    timer_.start(options_.replyTimeout);
    tcp_->connectToHost(address.left(colon), port);
}

void AdapterLink::initialise() {
    answeredAtBaud_ = false;
    headersOn_ = false;
    identity_.clear();
    protocol_.clear();
    protocolAsked_ = false;
    sendInternal(
        "ATZ", [this](const ElmAnswer& a) { afterReset(a); }, options_.resetTimeout);
}

void AdapterLink::afterReset(const ElmAnswer& answer) {
    if (answer.kind == Kind::Lost)
        return;
    if (answer.kind == Kind::TimedOut || answer.kind == Kind::Garbled) {
        if (serial_ && baudIndex_ + 1 < bauds_.size()) {
            serial_->setBaudRate(bauds_[++baudIndex_]);
            serial_->clear();
            initialise();
            return;
        }
        QStringList tried;
        for (qint32 baud : bauds_)
            tried.append(QString::number(baud));
        const QString reason =
            serial_ ? QStringLiteral("%1: no answer from the adapter (tried %2 baud)")
                          .arg(device_, tried.join(QStringLiteral(", ")))
                    : QStringLiteral("%1: no answer from the adapter").arg(device_);
        giveUp(reason);
        return;
    }
    answeredAtBaud_ = true;
    // A clone that does not know a setting keeps its default; only the headers matter later.
    const auto ignore = [](const ElmAnswer&) {};
    sendInternal("ATE0", ignore);
    sendInternal("ATL0", ignore);
    sendInternal("ATS1", ignore);
    sendInternal("ATH1", [this](const ElmAnswer& a) { headersOn_ = a.kind == Kind::Lines; });
    sendInternal("ATSP0", ignore);
    sendInternal("ATI", [this](const ElmAnswer& a) {
        if (a.kind == Kind::Lost)
            return;
        identity_ = a.kind == Kind::Lines && !a.lines.isEmpty() ? a.lines.join(QLatin1Char(' '))
                                                                : QStringLiteral("ELM327");
        ready_ = true;
        starting_ = false;
        emit ready();
    });
}

void AdapterLink::send(const QByteArray& command, std::function<void(const ElmAnswer&)> done,
                       std::optional<std::chrono::milliseconds> timeout) {
    if (!io_ || !io_->isOpen()) {
        if (done)
            done(answerOf(Kind::Lost));
        return;
    }
    queue_.push_back(
        Pending{command, std::move(done), timeout.value_or(options_.replyTimeout), false});
    dispatch();
}

void AdapterLink::sendInternal(const QByteArray& command,
                               std::function<void(const ElmAnswer&)> done,
                               std::optional<std::chrono::milliseconds> timeout) {
    // Internal commands go before the user's, in the order given.
    const auto firstUser =
        std::find_if(queue_.begin(), queue_.end(), [](const Pending& p) { return !p.internal; });
    queue_.insert(firstUser,
                  Pending{command, std::move(done), timeout.value_or(options_.replyTimeout), true});
    dispatch();
}

void AdapterLink::dispatch() {
    if (current_ || resyncing_ || queue_.empty() || !io_ || !io_->isOpen())
        return;
    if (!queue_.front().internal && !ready_)
        return;
    if (tcp_ && tcp_->state() != QAbstractSocket::ConnectedState)
        return;
    current_ = std::move(queue_.front());
    queue_.pop_front();
    reader_.expect(current_->command);
    timer_.start(current_->timeout);
    write(current_->command + '\r');
}

void AdapterLink::readAvailable() {
    if (!io_)
        return;
    const QByteArray bytes = io_->readAll();
    traceReceived(bytes);
    if (resyncing_) {
        // A prompt with nothing after it, and then quiet: the adapter is idle again.
        settle_.stop();
        if (bytes.endsWith('>'))
            settle_.start();
        return;
    }
    if (!current_)
        return; // nothing asked: stray bytes
    if (const std::optional<ElmAnswer> answer = reader_.feed(bytes)) {
        timer_.stop();
        finish(*answer);
    }
}

namespace {
constexpr char kTraceName[] = "elm327";
} // namespace

void AdapterLink::write(const QByteArray& bytes) {
    if (options_.trace)
        options_.trace->sent(kTraceName, bytes.size() > 1 && bytes.endsWith('\r')
                                             ? QByteArrayView(bytes).chopped(1)
                                             : QByteArrayView(bytes));
    io_->write(bytes);
}

void AdapterLink::traceReceived(const QByteArray& bytes) {
    if (!options_.trace)
        return;
    traceLine_ += bytes;
    for (qsizetype end = traceLine_.indexOf('\r'); end >= 0; end = traceLine_.indexOf('\r')) {
        QByteArrayView line = QByteArrayView(traceLine_).first(end).trimmed();
        while (line.startsWith('>'))
            line = line.sliced(1).trimmed();
        options_.trace->received(kTraceName, line);
        traceLine_.remove(0, end + 1);
    }
    if (traceLine_.trimmed() == ">")
        traceLine_.clear();
}

void AdapterLink::timedOut() {
    if (resyncing_) {
        endResync();
        return;
    }
    if (!current_) {
        // Still connecting.
        loseWith(device_ + QStringLiteral(": no connection"));
        return;
    }
    Pending timed = std::move(*current_);
    current_.reset();
    // A carriage return ends what the adapter is doing (or wakes a hung clone); its next prompt
    // marks a clean start. Should the answer have been on its way, the adapter takes the lone
    // carriage return as "repeat": the quiet after the prompt lets that answer pass too. (After
    // a reset nothing is resynchronised: the next try may be at another baud rate.)
    if (timed.command != "ATZ" && io_ && io_->isOpen()) {
        resyncing_ = true;
        timer_.start(options_.replyTimeout);
        write("\r");
    }
    if (timed.done)
        timed.done(answerOf(Kind::TimedOut));
    dispatch();
}

void AdapterLink::endResync() {
    resyncing_ = false;
    settle_.stop();
    timer_.stop();
    dispatch();
}

void AdapterLink::finish(const ElmAnswer& answer) {
    Pending done = std::move(*current_);
    current_.reset();
    // The protocol is known once the adapter has found the bus: asked once, and the answer handed
    // over after it, so that whoever reads it knows how its lines are framed.
    if (!protocolAsked_ && answer.kind == Kind::Lines && !done.command.startsWith("AT")) {
        protocolAsked_ = true;
        sendInternal("ATDPN", [this, done = std::move(done), answer](const ElmAnswer& a) {
            if (a.kind == Kind::Lines && !a.lines.isEmpty())
                protocol_ = a.lines.first().right(1); // "A6" after a search
            if (done.done)
                done.done(answer);
        });
        return;
    }
    if (done.done)
        done.done(answer);
    dispatch();
}

void AdapterLink::failAll() {
    timer_.stop();
    settle_.stop();
    resyncing_ = false;
    std::deque<Pending> waiting;
    if (current_)
        waiting.push_back(std::move(*current_));
    current_.reset();
    for (Pending& p : queue_)
        waiting.push_back(std::move(p));
    queue_.clear();
    for (Pending& p : waiting)
        if (p.done)
            p.done(answerOf(Kind::Lost));
}

void AdapterLink::loseWith(const QString& reason) {
    if (!io_)
        return;
    const bool wasReady = ready_;
    const bool wasStarting = starting_;
    closeDevice();
    failAll();
    starting_ = false;
    if (wasReady)
        emit lost(reason);
    else if (wasStarting)
        emit failed(reason);
}

void AdapterLink::giveUp(const QString& reason) {
    closeDevice();
    starting_ = false;
    failAll();
    emit failed(reason);
}

void AdapterLink::stop() {
    closeDevice();
    starting_ = false;
    failAll();
}

void AdapterLink::closeDevice() {
    ready_ = false;
    timer_.stop();
    if (!io_)
        return;
    io_->disconnect(this);
    io_->close();
    // The device may be the sender of the signal that brought us here.
    io_.release()->deleteLater();
    serial_ = nullptr;
    tcp_ = nullptr;
}

} // namespace scan::elm
