// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace app {

class MainWindow;

// What the main window shows, as text: each part headed by the caption of its control. `after`
// names the service that produced it; the vehicle data list is left out when `withList` is false.
QString windowReport(const MainWindow& window, const QString& after = {}, bool withList = true);

} // namespace app
