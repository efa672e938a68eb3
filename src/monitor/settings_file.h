// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"

class QWidget;

namespace monitor {

// A window's input controls from one use of the program to the next: each check box, option
// button, text box, combo box and list box by its object name; members of a control array carry
// their index in the "index" property. Written whole, or not at all.
bool SaveFormData(const QWidget& window, const QString& path, QString& error);

// Puts the saved values back, as if the user had made the choices: programmatic changes emit the
// controls' change signals. A missing or unreadable file changes nothing, silently; a file that
// is not a settings file of this program is said so, and true is returned.
bool LoadFormData(QWidget& window, const QString& path, core::Prompter& prompter);

} // namespace monitor
