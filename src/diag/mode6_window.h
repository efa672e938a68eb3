// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/operation_runner.h"
#include "mode6_tests.h"

#include <QWidget>

#include <functional>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace diag {

// frmMode6, "SAE-J1979 Service $06 ": one on-board monitoring test result, read through the
// scan tool's pass-through, decoded with the scale factor and units of the vehicle's shop
// manual; and the list of tests the ECU supports.
class Mode6Window : public QWidget {
    Q_OBJECT
public:
    Mode6Window(Mode6Tests& tests, core::Prompter& prompter, scan::OperationRunner& operations,
                QWidget* parent = nullptr);

    void Command1_Click(); // Get Test Results
    void Command2_Click(); // SCAN for supported tests
    void mnuM6HLP_Click();
    void Text2_Click();
    void Text4_Click();
    void Text6_Click();
    void Text8_Click();

    QLineEdit* Text1; // test ID
    QLineEdit* Text2; // its caption, "Test ID"
    QLineEdit* Text3; // component ID
    QLineEdit* Text4;
    QLineEdit* Text5; // scale factor
    QLineEdit* Text6;
    QLineEdit* Text7; // units
    QLineEdit* Text8;
    QLineEdit* Text9;  // headline
    QLineEdit* Text10; // "Enter Data then get results"
    QLineEdit* Text11; // returned message
    QLineEdit* Text12;
    QLineEdit* Text13;
    QLineEdit* Text14; // PASS / FAIL
    QLineEdit* Text15;
    QLineEdit* Text16; // value
    QLineEdit* Text17;
    QLineEdit* Text18; // MIN
    QLineEdit* Text19;
    QLineEdit* Text20; // MAX
    QLabel* Label1;    // "$= Hex" under the test ID
    QLabel* Label2;    // "$ = Hex" under the component ID
    QLabel* Label3;    // "Supported Tests"
    QLabel* Label4;    // "Click labels for help on that item"
    QGroupBox* Frame1; // Data Entry
    QGroupBox* Frame2; // Test Results
    QComboBox* Combo1;
    QPushButton* Command1;
    QPushButton* Command2;
    QAction* mnuM6HLP;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // Runs one pass-through exchange as the one operation talking to the scan tool, with the
    // buttons locked; false when it was refused.
    bool exchange(const QString& what, const std::function<void()>& work);
    void clearResults();
    void showResult(const Mode6Result& result);

    Mode6Tests& tests_;
    core::Prompter& prompter_;
    scan::OperationRunner& operations_;
};

} // namespace diag
