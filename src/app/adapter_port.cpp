// SPDX-License-Identifier: GPL-3.0-or-later
#include "adapter_port.h"

#include "link/in_process_transport.h"
#include "sim/elm_bridge.h"
#include "sim/scan_tool_simulator.h"

#include <QTimer>

namespace app {

namespace {

class AdapterTransport : public scan::InProcessTransport {
public:
    AdapterTransport(std::unique_ptr<scan::elm::ElmAdapter> adapter,
                     std::unique_ptr<scan::Transport> port, std::chrono::milliseconds replyTimeout)
        : device_(port->device()), port_(std::move(port)) {
        if (!adapter) {
            setOpenFailure(QStringLiteral("no ELM327 adapter can be used on ") + device_);
            return;
        }
        // The box's wire as the program knows it: unpaced, since the adapter sets the pace.
        const sim::Profile wire;
        auto bridge = std::make_unique<sim::ElmBridge>(std::move(adapter), wire.leadingChar);
        bridge_ = bridge.get();
        connect(bridge_, &sim::ElmBridge::lost, this,
                [this](const QString& reason) { unplug(reason); });
        const auto answerLimit = static_cast<int>(replyTimeout.count() * 9 / 10);
        box_ = new sim::ScanToolSimulator(std::move(bridge), wire, this, {}, answerLimit);
        toDevice = [this](const QByteArray& bytes) { box_->receive(bytes); };
        connect(box_, &sim::ScanToolSimulator::transmit, this, &AdapterTransport::receive);
    }

    bool open(QString& error) override {
        if (!InProcessTransport::open(error) || !deviceOpens(error))
            return false;
        // The start-up probe closes the port at once; only a port that stays open starts it.
        QTimer::singleShot(0, this, [this] {
            if (isOpen() && !started_) {
                started_ = true;
                bridge_->start();
            }
        });
        return true;
    }
    QString device() const override { return device_; }

private:
    // A serial device that is not there (or not ours to use) makes no port, as for the box; the
    // adapter opens it itself once started.
    bool deviceOpens(QString& error) {
        if (started_ || device_.startsWith(QLatin1String("tcp:")))
            return true;
        if (!port_->open(error)) {
            close();
            return false;
        }
        port_->close();
        return true;
    }

    QString device_;
    std::unique_ptr<scan::Transport> port_; // the device's own port, only to see that it opens
    sim::ElmBridge* bridge_ = nullptr;
    sim::ScanToolSimulator* box_ = nullptr;
    bool started_ = false;
};

} // namespace

std::unique_ptr<scan::Transport> adapterPort(std::unique_ptr<scan::elm::ElmAdapter> adapter,
                                             std::unique_ptr<scan::Transport> port,
                                             std::chrono::milliseconds replyTimeout) {
    return std::make_unique<AdapterTransport>(std::move(adapter), std::move(port), replyTimeout);
}

} // namespace app
