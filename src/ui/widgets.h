// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

#include <functional>
#include <initializer_list>
#include <utility>

class QLabel;
class QLineEdit;
class QWidget;

// The few ways every window builds its controls.
namespace ui {

// A control with its object name set, the name the window tests and Settings.dat know it by.
template <typename T> T* named(T* control, const QString& name) {
    control->setObjectName(name);
    return control;
}

template <typename T> T* named(T* control, const char* name) {
    return named(control, QString::fromLatin1(name));
}

// A window's title line: bold, centred, in a size of its own.
QLabel* heading(const QString& name, const QString& text, int points);

// A box that shows a value: read-only, centred, and passed over by Tab.
QLineEdit* displayBox(const QString& name, const QString& text = {});

// A caption: text the user reads (and may click for help) on the window's own colour.
QLineEdit* captionBox(const QString& name, const QString& text);

// Sets colours of the control's palette, e.g. {{QPalette::Base, Qt::red}, {QPalette::Text,
// Qt::black}}.
void paint(QWidget* control, std::initializer_list<std::pair<QPalette::ColorRole, QColor>> colours);

// Runs `action` when Escape is pressed anywhere in the window.
void onEscape(QWidget* window, std::function<void()> action);

} // namespace ui
