// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QShortcut>

namespace ui {

QLabel* heading(const QString& name, const QString& text, int points) {
    auto* label = named(new QLabel(text), name);
    QFont font = label->font();
    font.setPointSize(points);
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLineEdit* displayBox(const QString& name, const QString& text) {
    auto* box = named(new QLineEdit(text), name);
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignCenter);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

QLineEdit* captionBox(const QString& name, const QString& text) {
    auto* box = displayBox(name, text);
    box->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    box->setFrame(false);
    paint(box, {{QPalette::Base, box->palette().color(QPalette::Window)}});
    return box;
}

void paint(QWidget* control,
           std::initializer_list<std::pair<QPalette::ColorRole, QColor>> colours) {
    QPalette palette = control->palette();
    for (const auto& [role, colour] : colours)
        palette.setColor(role, colour);
    control->setPalette(palette);
}

void onEscape(QWidget* window, std::function<void()> action) {
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), window), &QShortcut::activated,
                     window, std::move(action));
}

} // namespace ui
