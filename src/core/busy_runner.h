// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

namespace core {

// Runs `work`, an operation that talks to the scan tool, while the program shows that it is busy
// with `what` and lets it be stopped.
using BusyRunner = std::function<void(const QString& what, const std::function<void()>& work)>;

} // namespace core
