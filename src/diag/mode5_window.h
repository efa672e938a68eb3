// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"
#include "link/operation_runner.h"
#include "monitor_table.h"
#include "o2_pictures.h"
#include "o2_tests.h"

#include <QPointer>
#include <QWidget>

#include <array>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace diag {

// frmMode5, "O2 Sensor Test": the O2 sensor tests of one sensor at a time, with reference
// drawings in the menus.
class Mode5Window : public QWidget {
    Q_OBJECT
public:
    Mode5Window(O2Tests& tests, core::Prompter& prompter, scan::OperationRunner& operations,
                QWidget* parent = nullptr);

    // Opening the window: the sensor list, empty results; false (and the window hidden) while
    // the ECU's O2 sensor monitor is not complete.
    bool load();
    void getTestResults();
    void quit(); // EXIT: the window is unloaded
    void showTestGraph();
    void showDualExhaust();
    void showSingleExhaust();
    void showInlineFour();

    // Why the window did not open at its last load; empty when it did.
    const QString& loadMessage() const { return loadMessage_; }
    // What the last "Get Test Results" brought.
    const O2TestOutcome& lastOutcome() const { return outcome_; }
    // The picture windows once opened: frmO2, frmVXdual, frmVXsingle, frmI4sensor.
    O2PictureWindow* pictureWindow(O2Picture::Kind kind) const;

    // Controls, with the object names the tests know in comments.
    QComboBox* sensorList;                 // cbo02list
    QPushButton* getResultsButton;         // Command3
    QPushButton* closeButton;              // Command1
    std::array<QLabel*, 9> testLabels;     // lblT01 .. lblT09
    std::array<QLineEdit*, 9> resultBoxes; // txtT01 .. txtT09
    // Limits of tests $05 to $09: txtT05min .. txtT09min, txtT05max .. txtT09max.
    std::array<QLineEdit*, 5> minBoxes;
    std::array<QLineEdit*, 5> maxBoxes;
    MonitorTable* monitorTable;   // tblMonitorTests: on CAN, every test of the sensor's monitor
    O2Picture* thumbnail;         // Picture1
    QAction* testGraphAction;     // mnuO2graph
    QMenu* locationsMenu;         // mnuLocations
    QAction* dualExhaustAction;   // mnuV8
    QAction* singleExhaustAction; // mnuSingle
    QAction* inlineFourAction;    // mnu4cyl

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    // Every result box back to "N/A" in its plain colours.
    void clearResults();
    void showResults(const O2TestOutcome& outcome);
    void showPicture(O2Picture::Kind kind);

    O2Tests& tests_;
    core::Prompter& prompter_;
    scan::OperationRunner& operations_;
    QList<int> sensorCodes_; // the sensor code of each list line
    QString loadMessage_;
    O2TestOutcome outcome_;
    std::array<QPointer<O2PictureWindow>, 4> pictures_;
};

} // namespace diag
