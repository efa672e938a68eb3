// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_usb_backend.h"

#include <QTimer>

namespace sim {

namespace {
constexpr quint8 kReady = 9, kReadBuffer = 10, kReadCount = 11, kFirstPart = 12, kLastPart = 15;
} // namespace

FakeUsbBackend::FakeUsbBackend(ScanToolSimulator& simulator, scan::usb::Identity identity,
                               QObject* parent)
    : QObject(parent), simulator_(simulator), identity_(identity) {
    simulator_.setIdleMarkers(false);
    connect(&simulator_, &ScanToolSimulator::transmit, this, &FakeUsbBackend::sent);
    connect(&simulator_, &ScanToolSimulator::disconnected, this, &FakeUsbBackend::unplug);
}

FakeUsbBackend::~FakeUsbBackend() {
    simulator_.setIdleMarkers(true);
}

bool FakeUsbBackend::start(const scan::usb::Identity& identity, Notices notices, QString& error) {
    if (!(identity == identity_)) {
        error.clear();
        notices_ = {};
        return true; // nothing of that identity is ever plugged in
    }
    notices_ = std::move(notices);
    started_ = true;
    QTimer::singleShot(0, this, [this] {
        if (started_ && !gone_ && notices_.attached)
            notices_.attached({kHandle, identity_});
    });
    return true;
}

void FakeUsbBackend::release(quintptr) {}

void FakeUsbBackend::stop() {
    started_ = false;
    notices_ = {};
}

void FakeUsbBackend::plugInAnother() {
    if (notices_.attached)
        notices_.attached({kHandle + 1, identity_});
}

void FakeUsbBackend::unplug() {
    {
        const std::lock_guard lock(mutex_);
        gone_ = true;
    }
    if (notices_.detached)
        notices_.detached(kHandle);
}

scan::usb::Transfer FakeUsbBackend::controlIn(quintptr device, const scan::usb::SetupPacket& setup,
                                              std::chrono::milliseconds) {
    const std::lock_guard lock(mutex_);
    if (gone_ || device != kHandle)
        return {-4, QStringLiteral("No such device (it may have been disconnected)"), {}};
    switch (setup.request) {
    case kReady:
        return {0, {}, QByteArray(1, idle_ && handedOver_ == 0 ? 1 : 0)};
    case kReadCount:
        return {0, {}, QByteArray(1, char(std::min<qsizetype>(replies_.size(), 255)))};
    case kReadBuffer: {
        const QByteArray chunk = replies_.left(setup.length);
        replies_.remove(0, chunk.size());
        return {0, {}, chunk};
    }
    default:
        if (setup.request < kFirstPart || setup.request > kLastPart)
            return {-9, QStringLiteral("Pipe error"), {}};
        gather(setup);
        return {0, {}, QByteArray(1, 0)};
    }
}

void FakeUsbBackend::gather(const scan::usb::SetupPacket& setup) {
    const int at = (setup.request - kFirstPart) * 4;
    const std::array<quint8, 8> bytes = setup.bytes();
    std::copy(bytes.begin() + 2, bytes.begin() + 6, parts_.begin() + at);
    if (setup.request == kFirstPart)
        replies_.clear(); // a new command: what was left of the last reply is stale
    if (setup.request != kLastPart)
        return;
    const auto bytesAt = [this](int from, int count) {
        return QByteArray(reinterpret_cast<const char*>(parts_.data()) + from, count);
    };
    // The last byte tells a text command (0) from the 14-byte pass-through command (1).
    const QByteArray command = parts_[15] == 0 ? bytesAt(0, 6) : bytesAt(0, 7) + bytesAt(8, 7);
    ++handedOver_;
    QMetaObject::invokeMethod(this, [this, command] { execute(command); });
}

void FakeUsbBackend::execute(const QByteArray& command) {
    simulator_.receive(command);
    const std::lock_guard lock(mutex_);
    --handedOver_;
    idle_ = simulator_.isIdle();
}

void FakeUsbBackend::sent(const QByteArray& bytes) {
    const std::lock_guard lock(mutex_);
    replies_ += bytes;
    idle_ = simulator_.isIdle();
}

} // namespace sim
