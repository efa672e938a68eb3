#include "adapter_port.h"

#include "link/in_process_transport.h"
#include "sim/elm_bridge.h"
#include "sim/scan_tool_simulator.h"

#include <QTimer>

namespace app {

namespace {

class AdapterTransport : public scan::InProcessTransport {
public:
    AdapterTransport(std::unique_ptr<scan::elm::ElmAdapter> adapter, const QString& device,
                     std::chrono::milliseconds replyTimeout)
        : device_(device) {
        if (!adapter) {
            setOpenFailure(QStringLiteral("no ELM327 adapter can be used on ") + device);
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
        if (!InProcessTransport::open(error))
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
    QString device_;
    sim::ElmBridge* bridge_ = nullptr;
    sim::ScanToolSimulator* box_ = nullptr;
    bool started_ = false;
};

} // namespace

std::unique_ptr<scan::Transport> adapterPort(std::unique_ptr<scan::elm::ElmAdapter> adapter,
                                             const QString& device,
                                             std::chrono::milliseconds replyTimeout) {
    return std::make_unique<AdapterTransport>(std::move(adapter), device, replyTimeout);
}

} // namespace app
