// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QAction;
class QActionGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QMainWindow;
class QMenu;
class QPushButton;
class QTextEdit;
class QWidget;

namespace app {

// The main window's controls and their layout: control panel, status box, status text window,
// vehicle data list, menus. The object names are the ones the window tests and the logger's
// settings know.
struct MainWindowUi {
    // Builds the controls into the window, its menu bar and status bar.
    void setUp(QMainWindow* window);

    QGroupBox* controlPanel;         // Frame1
    QPushButton* currentDataButton;  // Mode1
    QPushButton* freezeFrameButton;  // Mode2
    QPushButton* troubleCodesButton; // Mode3
    QPushButton* clearCodesButton;   // Mode4
    QPushButton* o2TestButton;       // Mode5
    QPushButton* changeEcuButton;    // ChangeECU
    QPushButton* exitButton;         // Command1
    QPushButton* printButton;        // Command2

    QLabel* ecuStatusCaption;    // Label1, click for the colours' meaning
    QLineEdit* statusBox;        // Text1: "ECU Off-Line" and its colour
    QLabel* ecuAddressCaption;   // Label6
    QLabel* firmwareCaption;     // Label7
    QLabel* versionCaption;      // Label4
    QListView* definitionList;   // List2: only a store for the trouble code definitions
    QLabel* statusWindowCaption; // Label2
    QTextEdit* statusWindow;     // textECU: test status and trouble codes
    QLabel* vehicleDataCaption;  // Label3, click for what the notes are for
    QLineEdit* notes;            // Text2: the VIN or the user's notes, printed first
    QLabel* dataListCaption;     // Label5
    QListWidget* dataList;       // List1: the vehicle data lines
    QLabel* statusHint;          // in the status bar, between operations

    QMenu* dataLogMenu;           // mnuDataLog
    QAction* dataLoggerAction;    // mnuDataLogLog
    QMenu* connectionMenu;        // mnuCom
    QAction* usbAction;           // mnuUSB
    QAction* com1Action;          // mnuConnectionCom1
    QAction* com2Action;          // mnuConnectionCom2
    QAction* com3Action;          // mnuConnectionCom3
    QAction* com4Action;          // mnuConnectionCom4
    QAction* com5to9Action;       // mnuConnectionComX
    QMenu* adapterMenu;           // mnuAdapter
    QAction* boxAdapterAction;    // mnuAdapterBox
    QAction* elm327AdapterAction; // mnuAdapterElm327
    QAction* onBoardTestsAction;  // mnuMode6
    QMenu* optionsMenu;           // mnuOptions
    QAction* fuelTrimAction;      // mnuFTM
    QAction* airFuelAction;       // mnuAF
    QAction* wbo2LogAction;       // mnuWBO2
    QAction* logViewerAction;     // mnuLogViewer
    QMenu* unitsMenu;             // mnuUnits
    QAction* englishUnitsAction;  // mnuUnitsEnglish
    QAction* metricUnitsAction;   // mnuUnitsMetric
    QAction* debugModeAction;     // mnuDebugMode
    QMenu* helpMenu;              // mnuHelp
    QAction* aboutAction;         // mnuAbout
    // The entries that start talking to the scan tool; disabled as one while an operation runs.
    QActionGroup* operationStarters;

private:
    void buildControls(QMainWindow* window);
    void buildMenus(QMainWindow* window);
    QWidget* buildControlPanel();
    QWidget* buildDataArea();
};

} // namespace app
