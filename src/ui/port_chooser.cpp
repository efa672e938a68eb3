// SPDX-License-Identifier: GPL-3.0-or-later
#include "port_chooser.h"

#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ui {

PortChooser::PortChooser(scan::LinkState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("frmUserCOM"));
    setWindowTitle(QStringLiteral("User Defined COM Port Selection"));
    prompt = new QLabel(QStringLiteral("SELECT COM PORT"));
    prompt->setObjectName(QStringLiteral("Label1"));
    QFont arial(QStringLiteral("Arial"), 10, QFont::Bold);
    arial.setStyleHint(QFont::SansSerif);
    prompt->setFont(arial);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    QRadioButton** options[] = {&com5Option, &com6Option, &com7Option, &com8Option, &com9Option};
    for (int i = 0; i < 5; ++i) {
        auto* option = new QRadioButton(QStringLiteral("COM%1").arg(i + 5));
        option->setObjectName(QStringLiteral("Option%1").arg(i + 1));
        connect(option, &QRadioButton::clicked, this, [this, i] { optionClicked(i + 5); });
        layout->addWidget(option);
        *options[i] = option;
    }
    load();
}

void PortChooser::load() {
    for (QRadioButton* option : {com5Option, com6Option, com7Option, com8Option, com9Option}) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

void PortChooser::optionClicked(int port) {
    state_.ComPortNumber = port;
    hide();
    close();
}

} // namespace ui
