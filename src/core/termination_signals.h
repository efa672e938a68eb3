// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace core {

// Ctrl+C (SIGINT) and SIGTERM call `then` from the event loop, so that a program can end
// cleanly: the signal handler only writes a byte, the one thing a handler may safely do. Nothing
// where the platform has no such signals, or when they cannot be caught.
std::unique_ptr<QSocketNotifier> onTerminationSignals(std::function<void()> then);

} // namespace core
