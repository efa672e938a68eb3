// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/operation_runner.h"
#include "mode6_tests.h"
#include "monitor_table.h"

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

    // Opening the window: on CAN the tests are read by monitor, with the units the ECU gives, so
    // the entry asks for a monitor ID alone.
    void load();
    // The test typed in; on CAN the results of the monitor typed in, in the table.
    void getTestResult();
    // On CAN: every monitor's results in the table and the monitors in the list; otherwise the
    // supported tests in the list.
    void scanSupportedTests();
    const MonitorScan& lastMonitorScan() const { return monitorScan_; }
    void showHelp();
    void explainTestId();
    void explainComponentId();
    void explainScaleFactor();
    void explainUnits();

    // Controls, with the object names the tests know in comments.
    QLineEdit* testIdBox;          // Text1
    QLineEdit* testIdCaption;      // Text2
    QLineEdit* componentIdBox;     // Text3
    QLineEdit* componentIdCaption; // Text4
    QLineEdit* scaleBox;           // Text5
    QLineEdit* scaleCaption;       // Text6
    QLineEdit* unitsBox;           // Text7
    QLineEdit* unitsCaption;       // Text8
    QLineEdit* headline;           // Text9
    QLineEdit* entryHint;          // Text10
    QLineEdit* returnedBox;        // Text11
    QLineEdit* returnedCaption;    // Text12
    QLineEdit* verdictCaption;     // Text13
    QLineEdit* verdictBox;         // Text14
    QLineEdit* valueCaption;       // Text15
    QLineEdit* valueBox;           // Text16
    QLineEdit* minCaption;         // Text17
    QLineEdit* minBox;             // Text18
    QLineEdit* maxCaption;         // Text19
    QLineEdit* maxBox;             // Text20
    QLabel* testIdHexNote;         // Label1: "$= Hex"
    QLabel* componentIdHexNote;    // Label2: "$ = Hex"
    QLabel* supportedCaption;      // Label3
    QLabel* helpHint;              // Label4
    QGroupBox* entryFrame;         // Frame1
    QGroupBox* resultsFrame;       // Frame2
    QComboBox* supportedTests;     // Combo1
    QPushButton* getResultButton;  // Command1
    QPushButton* scanButton;       // Command2
    QAction* helpAction;           // mnuM6HLP
    MonitorTable* monitorTable;    // tblMonitors: on CAN, every test of every monitor

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // Runs one pass-through exchange as the one operation talking to the scan tool, with the
    // buttons locked; false when it was refused.
    bool exchange(const QString& what, const std::function<void()>& work);
    void clearResults();
    void showResult(const Mode6Result& result);
    void readTypedMonitor();
    void showMonitors();

    Mode6Tests& tests_;
    core::Prompter& prompter_;
    scan::OperationRunner& operations_;
    MonitorScan monitorScan_;
};

} // namespace diag
