// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/transport.h"

#include <memory>

namespace sim {
class ScanToolSimulator;
}

namespace app {

// A port on which the simulated scan tool answers, in this process (demo mode and tests).
std::unique_ptr<scan::Transport> simulatedPort(sim::ScanToolSimulator& simulator);

} // namespace app
