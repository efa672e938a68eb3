// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/elm/elm_adapter.h"
#include "link/transport.h"

#include <chrono>
#include <memory>

namespace app {

// A COM port with an ELM327-class adapter on it, seen by the program as its scan tool box: the
// box bridge answers in this process and asks the adapter. `port` is the port's own transport,
// which gives the device and shows whether it is there. The adapter starts when the port is
// opened for a connection (not for the start-up probe); when it fails or goes away, so does the
// port. Without an adapter (none could be made for the device) the port does not open. The box
// gives up on an answer a little before the program's reply timeout ends, so that the program
// reads "no answer" rather than nothing.
std::unique_ptr<scan::Transport> adapterPort(std::unique_ptr<scan::elm::ElmAdapter> adapter,
                                             std::unique_ptr<scan::Transport> port,
                                             std::chrono::milliseconds replyTimeout);

} // namespace app
