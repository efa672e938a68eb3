// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/usb/usb_backend.h"
#include "scan_tool_simulator.h"

#include <QObject>

#include <array>
#include <mutex>

namespace sim {

// The simulated scan tool behind USB, in this process: a device that answers the vendor
// requests from a ScanToolSimulator. The simulator stays on this object's thread; transfers may
// come from any other, and never wait for this one: commands are handed over queued, and what
// the box sent, and whether it is idle, are kept here under a lock.
class FakeUsbBackend : public QObject, public scan::usb::Backend {
    Q_OBJECT
public:
    static constexpr quintptr kHandle = 0x5A01;

    // The simulator must outlive the backend. It is switched to USB behaviour: no idle markers.
    explicit FakeUsbBackend(ScanToolSimulator& simulator,
                            scan::usb::Identity identity = {0x16C0, 0x05DC},
                            QObject* parent = nullptr);
    ~FakeUsbBackend() override;

    bool start(const scan::usb::Identity& identity, Notices notices, QString& error) override;
    void release(quintptr device) override;
    void stop() override;
    scan::usb::Transfer controlIn(quintptr device, const scan::usb::SetupPacket& setup,
                                  std::chrono::milliseconds timeout) override;

    // Test knobs: another device of the same identity is plugged in; the box is unplugged.
    void plugInAnother();
    void unplug();

private:
    void sent(const QByteArray& bytes);
    void execute(const QByteArray& command);
    // Puts a command part in place; the last part completes the command.
    void gather(const scan::usb::SetupPacket& setup);

    ScanToolSimulator& simulator_;
    const scan::usb::Identity identity_;
    Notices notices_;
    bool started_ = false;

    std::mutex mutex_;
    QByteArray replies_;             // what the box sent, not yet read
    bool idle_ = true;               // the simulator's state, as last seen on its thread
    int handedOver_ = 0;             // commands on their way to the simulator
    std::array<quint8, 16> parts_{}; // requests 12-15, four payload bytes each
    bool gone_ = false;
};

} // namespace sim
