// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/transport.h"
#include "usb_packets.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace scan::usb {

// The scan tool over USB vendor requests. Transfers run on a thread of their own, so the
// program's thread never waits for the bus: commands are queued for it, the reply characters it
// reads (request 11 for the count, request 10 for at most 32 of them) gather in a local buffer,
// and readiness (request 9) is answered on a later poll. A failed transfer ends in lost().
class UsbTransport : public Transport {
    Q_OBJECT
public:
    // `timeout` bounds each transfer, and how long replies are read after a command.
    UsbTransport(Backend& backend, const Device& device, std::chrono::milliseconds timeout,
                 QObject* parent = nullptr);
    ~UsbTransport() override;

    bool open(QString& error) override;
    void close() override;
    bool isOpen() const override { return thread_.joinable(); }
    // False for a command shorter than six characters.
    bool write(const QByteArray& bytes) override;
    bool writePassThrough(const QByteArray& frame) override;
    std::optional<QByteArray> readAll() override;
    qint64 bytesAvailable() const override { return input_.size(); }
    QString device() const override;
    ReadySignal readySignal() const override { return ReadySignal::Poll; }
    ReadyState pollReady() override;

    quintptr handle() const { return device_.handle; }
    // The device went away.
    void unplug(const QString& reason);

signals:
    // The text a transfer error shows in debug mode.
    void transferFailed(const QString& debugText);

private:
    struct Job {
        std::vector<SetupPacket> packets; // empty: a ready poll
    };

    bool queue(const std::optional<std::vector<SetupPacket>>& packets);
    void run(const std::stop_token& stop);
    // Runs one transfer; on failure tells the program's thread and returns nothing.
    std::optional<QByteArray> transfer(const SetupPacket& setup);
    void readReply();
    void arrived(const QByteArray& bytes);
    void readyAnswered(bool ready);
    void failed(const QString& reason, const QString& debugText);

    Backend& backend_;
    const Device device_;
    const std::chrono::milliseconds timeout_;

    // The program's thread.
    QByteArray input_;
    std::optional<bool> readyAnswer_;
    bool readyAsked_ = false;
    bool failed_ = false;

    // Shared with the transfer thread.
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<Job> jobs_;

    // The transfer thread: after a command it reads until the next ready poll, or until nothing
    // has come for the timeout.
    std::chrono::steady_clock::time_point readUntil_;
    std::jthread thread_;
};

} // namespace scan::usb
