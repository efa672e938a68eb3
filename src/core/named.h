// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace core {

// A control with its object name set, the name the window tests and Settings.dat know it by.
template <typename T> T* named(T* control, const QString& name) {
    control->setObjectName(name);
    return control;
}

template <typename T> T* named(T* control, const char* name) {
    return named(control, QString::fromLatin1(name));
}

} // namespace core
