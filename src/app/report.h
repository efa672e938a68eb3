#pragma once

#include <QString>

namespace app {

class MainWindow;

// What the main window shows, as text: each section headed by the caption of its control.
QString windowReport(const MainWindow& window);

} // namespace app
