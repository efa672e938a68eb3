// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulated_port.h"

#include "link/in_process_transport.h"
#include "sim/scan_tool_simulator.h"

namespace app {

std::unique_ptr<scan::Transport> simulatedPort(sim::ScanToolSimulator& simulator) {
    auto port = std::make_unique<scan::InProcessTransport>();
    port->toDevice = [&simulator](const QByteArray& bytes) { simulator.receive(bytes); };
    QObject::connect(&simulator, &sim::ScanToolSimulator::transmit, port.get(),
                     &scan::InProcessTransport::receive);
    QObject::connect(&simulator, &sim::ScanToolSimulator::disconnected, port.get(),
                     [p = port.get()] {
                         p->unplug(QStringLiteral("the simulated scan tool was disconnected"));
                     });
    return port;
}

} // namespace app
