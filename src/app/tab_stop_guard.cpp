// SPDX-License-Identifier: GPL-3.0-or-later
#include "tab_stop_guard.h"

#include <QEvent>

namespace app {

TabStopGuard::TabStopGuard(QWidget* textBox) : QObject(textBox), textBox_(textBox) {
    textBox->installEventFilter(this);
}

bool TabStopGuard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == textBox_) {
        if (event->type() == QEvent::FocusIn)
            clearTabStops();
        else if (event->type() == QEvent::FocusOut)
            restoreTabStops();
    }
    return QObject::eventFilter(watched, event);
}

void TabStopGuard::clearTabStops() {
    restoreTabStops();
    for (QWidget* control : textBox_->window()->findChildren<QWidget*>()) {
        const Qt::FocusPolicy policy = control->focusPolicy();
        if (!(policy & Qt::TabFocus))
            continue;
        saved_.emplace_back(control, policy);
        control->setFocusPolicy(Qt::FocusPolicy(policy & ~Qt::TabFocus));
    }
}

void TabStopGuard::restoreTabStops() {
    for (const auto& [control, policy] : saved_) {
        if (control)
            control->setFocusPolicy(policy);
    }
    saved_.clear();
}

} // namespace app
