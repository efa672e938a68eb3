// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb_transport.h"

namespace scan::usb {

namespace {
// How often the count is asked while a reply is expected and nothing has come.
constexpr std::chrono::milliseconds kReadPollPeriod{2};
} // namespace

UsbTransport::UsbTransport(Backend& backend, const Device& device,
                           std::chrono::milliseconds timeout, QObject* parent)
    : Transport(parent), backend_(backend), device_(device), timeout_(timeout) {}

UsbTransport::~UsbTransport() {
    close();
}

bool UsbTransport::open(QString& error) {
    if (failed_) {
        error = QStringLiteral("the USB scan tool is gone");
        return false;
    }
    if (!thread_.joinable())
        thread_ = std::jthread([this](const std::stop_token& stop) { run(stop); });
    return true;
}

void UsbTransport::close() {
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
    jobs_.clear();
    input_.clear();
    readyAnswer_.reset();
    readyAsked_ = false;
}

QString UsbTransport::device() const {
    return QStringLiteral("USB ") + toText(device_.identity);
}

bool UsbTransport::write(const QByteArray& bytes) {
    return queue(commandPackets(bytes));
}

bool UsbTransport::writePassThrough(const QByteArray& frame) {
    return queue(passThroughPackets(frame));
}

bool UsbTransport::queue(const std::optional<std::vector<SetupPacket>>& packets) {
    if (!packets || failed_ || !isOpen())
        return false;
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back({*packets});
    }
    wake_.notify_one();
    return true;
}

std::optional<QByteArray> UsbTransport::readAll() {
    if (failed_)
        return std::nullopt;
    return std::exchange(input_, {});
}

ReadyState UsbTransport::pollReady() {
    if (readyAnswer_) {
        const bool ready = *std::exchange(readyAnswer_, std::nullopt);
        readyAsked_ = false;
        if (ready)
            return ReadyState::Vehicle;
    }
    if (!readyAsked_ && !failed_ && isOpen()) {
        readyAsked_ = true;
        {
            const std::lock_guard lock(mutex_);
            jobs_.push_back({});
        }
        wake_.notify_one();
    }
    return ReadyState::NotYet;
}

void UsbTransport::unplug(const QString& reason) {
    if (failed_)
        return;
    failed_ = true;
    emit lost(reason);
}

void UsbTransport::run(const std::stop_token& stop) {
    while (!stop.stop_requested()) {
        std::optional<Job> job;
        {
            std::unique_lock lock(mutex_);
            const auto ready = [this] { return !jobs_.empty(); };
            const bool reading = std::chrono::steady_clock::now() < readUntil_;
            const bool woken = reading ? wake_.wait_for(lock, stop, kReadPollPeriod, ready)
                                       : wake_.wait(lock, stop, ready);
            if (stop.stop_requested())
                return;
            if (woken) {
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
        }
        if (!job) {
            readReply();
            continue;
        }
        if (job->packets.empty()) {
            readUntil_ = {};
            const std::optional<QByteArray> answer = transfer(requestPacket(kReady));
            if (!answer)
                return;
            const bool ready = !answer->isEmpty() && answer->at(0) != 0;
            QMetaObject::invokeMethod(this, [this, ready] { readyAnswered(ready); });
            continue;
        }
        for (const SetupPacket& packet : job->packets) {
            if (!transfer(packet))
                return;
        }
        readUntil_ = std::chrono::steady_clock::now() + timeout_;
    }
}

void UsbTransport::readReply() {
    const std::optional<QByteArray> count = transfer(requestPacket(kReadCount));
    if (!count || count->isEmpty() || count->at(0) == 0)
        return;
    const std::optional<QByteArray> characters = transfer(requestPacket(kReadBuffer));
    if (!characters || characters->isEmpty())
        return;
    readUntil_ = std::chrono::steady_clock::now() + timeout_;
    QMetaObject::invokeMethod(this, [this, bytes = *characters] { arrived(bytes); });
}

std::optional<QByteArray> UsbTransport::transfer(const SetupPacket& setup) {
    const Transfer done = backend_.controlIn(device_.handle, setup, timeout_);
    if (done.ok())
        return done.data.left(setup.length);
    const QString debugText =
        QStringLiteral("ReadWritePipesMenu: WDU_Transfer() failed: error &H%1 (%2)")
            .arg(QString::number(quint32(done.status), 16).toUpper(), done.statusText);
    const QString reason = QStringLiteral("a USB transfer failed: ") + done.statusText;
    QMetaObject::invokeMethod(this, [this, reason, debugText] { failed(reason, debugText); });
    return std::nullopt;
}

void UsbTransport::arrived(const QByteArray& bytes) {
    if (failed_)
        return;
    input_ += bytes;
    emit readyRead();
}

void UsbTransport::readyAnswered(bool ready) {
    if (readyAsked_)
        readyAnswer_ = ready;
}

void UsbTransport::failed(const QString& reason, const QString& debugText) {
    if (failed_)
        return;
    emit transferFailed(debugText);
    unplug(reason);
}

} // namespace scan::usb
