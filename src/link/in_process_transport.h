// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transport.h"

#include <functional>

namespace scan {

// A scan tool living in the same process (the simulator in demo mode and tests): what the program
// writes goes to `toDevice`, what the device sends arrives through `receive`.
class InProcessTransport : public Transport {
    Q_OBJECT
public:
    using Transport::Transport;

    std::function<void(const QByteArray&)> toDevice;

    bool open(QString& error) override;
    void close() override;
    bool isOpen() const override { return open_; }
    bool write(const QByteArray& bytes) override;
    std::optional<QByteArray> readAll() override;
    qint64 bytesAvailable() const override { return input_.size(); }
    QString device() const override { return QStringLiteral("simulated scan tool"); }

    // The device's side.
    void receive(const QByteArray& bytes);
    void unplug(const QString& reason);
    // Test knob: the next opens fail with this reason (empty: they succeed).
    void setOpenFailure(const QString& reason) { openFailure_ = reason; }
    // Test knob: the device says it is ready only when polled, as a USB scan tool does.
    void answerReadyPolls(ReadyState state) {
        polled_ = true;
        pollAnswer_ = state;
    }
    ReadySignal readySignal() const override {
        return polled_ ? ReadySignal::Poll : ReadySignal::Markers;
    }
    ReadyState pollReady() override { return pollAnswer_; }

private:
    QByteArray input_;
    QString openFailure_;
    bool open_ = false;
    bool unplugged_ = false;
    bool polled_ = false;
    ReadyState pollAnswer_ = ReadyState::NotYet;
};

} // namespace scan
