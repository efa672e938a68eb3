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

    void Form_Load();
    // Option1 to Option5 stand for COM5 to COM9.
    void optionClicked(int port);

    QLabel* Label1;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QRadioButton* Option3;
    QRadioButton* Option4;
    QRadioButton* Option5;

private:
    scan::LinkState& state_;
};

} // namespace ui
