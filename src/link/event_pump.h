// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>

#include <chrono>

namespace scan {

// One step of every wait: sleeps in the event loop until an event arrives (bytes from the scan
// tool, a click, a timer) or a short tick passes, and runs the handlers of what arrived.
class EventPump {
public:
    explicit EventPump(std::chrono::milliseconds tick = std::chrono::milliseconds(10));
    void pump();

private:
    QTimer tick_;
};

} // namespace scan
