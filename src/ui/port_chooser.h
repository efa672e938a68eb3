// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/link_state.h"

#include <QDialog>

class QLabel;
class QRadioButton;

namespace ui {

// frmUserCOM: picks one of COM5-COM9 for the waiting connection. Closing it (or Escape) picks none.
class PortChooser : public QDialog {
    Q_OBJECT
public:
    explicit PortChooser(scan::LinkState& state, QWidget* parent = nullptr);

    void load();
    void optionClicked(int port);

    QLabel* prompt; // Label1
    // Option1 .. Option5
    QRadioButton* com5Option;
    QRadioButton* com6Option;
    QRadioButton* com7Option;
    QRadioButton* com8Option;
    QRadioButton* com9Option;

private:
    scan::LinkState& state_;
};

} // namespace ui
