// SPDX-License-Identifier: GPL-3.0-or-later
#include "event_pump.h"

#include <QCoreApplication>

namespace scan {

EventPump::EventPump(std::chrono::milliseconds tick) {
    tick_.setSingleShot(true);
    tick_.setInterval(tick);
}

void EventPump::pump() {
    if (!tick_.isActive())
        tick_.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

} // namespace scan
