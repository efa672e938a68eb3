// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace app {

// What the program talks to on a COM port: its own scan tool box, or an ELM327-class adapter.
enum class Adapter { Box, Elm327 };

// "box" or "elm327", as on the command line and in the settings.
QString adapterName(Adapter adapter);
std::optional<Adapter> adapterNamed(const QString& name);

// The choice the user last made in the menu; the box when there is none.
Adapter savedAdapter();
void saveAdapter(Adapter adapter);

// The units the user last chose in the window: English when there is no choice yet.
bool savedMetricUnits();
void saveMetricUnits(bool metric);

} // namespace app
