// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window_ui.h"

#include "tab_stop_guard.h"
#include "ui/widgets.h"

#include <QActionGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStringListModel>
#include <QTextEdit>
#include <QVBoxLayout>

namespace app {

using ui::named;

namespace {

QFont fontOf(const char* family, int points, QFont::StyleHint hint = QFont::SansSerif) {
    QFont f(QLatin1String(family), points);
    f.setStyleHint(hint);
    return f;
}

QLabel* label(const char* name, const QString& text, const QFont& f) {
    auto* l = named(new QLabel(text), name);
    l->setFont(f);
    return l;
}

QPushButton* serviceButton(const char* name, const QString& caption) {
    auto* b = named(new QPushButton(caption), name);
    b->setMinimumHeight(30);
    return b;
}

QAction* entry(QMenu* menu, const char* name, const QString& caption) {
    auto* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    return a;
}

} // namespace

void MainWindowUi::setUp(QMainWindow* window) {
    window->setObjectName(QStringLiteral("frmMain"));
    window->setWindowTitle(QStringLiteral("Vamrick V3.40"));
    buildControls(window);
    buildMenus(window);
    window->resize(1000, 680);
}

void MainWindowUi::buildControls(QMainWindow* window) {
    const QFont arial = fontOf("Arial", 9);
    statusWindow = named(new QTextEdit, "textECU");
    statusWindow->setFont(fontOf("Courier New", 10, QFont::TypeWriter));
    statusWindow->setAcceptRichText(false);
    new TabStopGuard(statusWindow);
    statusWindowCaption =
        label("Label2",
              QStringLiteral("Vehicle Test Status/Trouble Code Window           use the scroll "
                             "bar to see more data"),
              arial);
    dataList = named(new QListWidget, "List1");
    dataList->setFont(fontOf("Courier", 10, QFont::TypeWriter));
    vehicleDataCaption = label("Label3", QStringLiteral("Vehicle Data"), fontOf("Arial", 10));
    dataListCaption = label(
        "Label5", QStringLiteral("Vehicle Data Window, Double Click Item for Real Time Display"),
        arial);
    definitionList = named(new QListView, "List2");
    definitionList->setModel(new QStringListModel(definitionList));
    definitionList->hide();
    statusBox = ui::displayBox(QStringLiteral("Text1"), QStringLiteral("ECU Not Ready"));
    ecuStatusCaption = label("Label1", QStringLiteral("ECU Status"), arial);
    ecuAddressCaption = label("Label6", QString(), fontOf("Arial Black", 10));
    firmwareCaption = label("Label7", QString(), fontOf("Arial Black", 10));
    versionCaption =
        label("Label4", QStringLiteral("Vamrick V3.40 - OBD-II diagnostics for passenger cars"),
              fontOf("Times New Roman", 9, QFont::Serif));
    notes = named(new QLineEdit, "Text2");
    notes->setPlaceholderText(QStringLiteral("VIN or notes (printed first)"));
    // A widget of the status bar, so that menu status tips do not wipe it out.
    statusHint = named(new QLabel, "statusHint");
    window->statusBar()->addWidget(statusHint, 1);
    for (QLabel* clickable : {ecuStatusCaption, vehicleDataCaption})
        clickable->setCursor(Qt::WhatsThisCursor);

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(buildControlPanel());
    splitter->addWidget(buildDataArea());
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    window->setCentralWidget(splitter);
}

QWidget* MainWindowUi::buildControlPanel() {
    controlPanel = named(new QGroupBox(QStringLiteral("Vamrick Control Panel")), "Frame1");
    currentDataButton =
        serviceButton("Mode1", QStringLiteral("Request Current Powertrain Diagnostic Data"));
    freezeFrameButton = serviceButton("Mode2", QStringLiteral("Get Freeze Frame Data"));
    troubleCodesButton = serviceButton("Mode3", QStringLiteral("Request Diagnostic Trouble Codes"));
    clearCodesButton =
        serviceButton("Mode4", QStringLiteral("Clear/Reset Diagnostic Trouble Codes"));
    o2TestButton = serviceButton("Mode5", QStringLiteral("O2 Sensor Test"));
    changeEcuButton = serviceButton("ChangeECU", QStringLiteral("Change ECU"));
    changeEcuButton->setCheckable(true); // its value flips with every use
    auto* buttons = new QVBoxLayout(controlPanel);
    for (QPushButton* b : {currentDataButton, freezeFrameButton, troubleCodesButton,
                           clearCodesButton, o2TestButton, changeEcuButton})
        buttons->addWidget(b);

    printButton = named(new QPushButton(QStringLiteral("Print")), "Command2");
    exitButton = named(new QPushButton(QStringLiteral("Exit")), "Command1");
    auto* commands = new QHBoxLayout;
    commands->addWidget(printButton);
    commands->addWidget(exitButton);

    auto* panel = new QWidget;
    auto* column = new QVBoxLayout(panel);
    column->addWidget(controlPanel);
    column->addSpacing(8);
    column->addWidget(ecuStatusCaption);
    column->addWidget(statusBox);
    column->addWidget(ecuAddressCaption);
    column->addWidget(firmwareCaption);
    column->addStretch(1);
    column->addLayout(commands);
    column->addWidget(versionCaption);
    column->addWidget(definitionList);
    panel->setMinimumWidth(300);
    panel->setMaximumWidth(380);
    return panel;
}

QWidget* MainWindowUi::buildDataArea() {
    auto* status = new QWidget;
    auto* statusColumn = new QVBoxLayout(status);
    statusColumn->setContentsMargins(0, 0, 0, 0);
    statusColumn->addWidget(statusWindowCaption);
    statusColumn->addWidget(statusWindow);

    auto* data = new QWidget;
    auto* dataColumn = new QVBoxLayout(data);
    dataColumn->setContentsMargins(0, 0, 0, 0);
    auto* heading = new QHBoxLayout;
    heading->addWidget(vehicleDataCaption);
    heading->addWidget(notes, 1);
    dataColumn->addLayout(heading);
    dataColumn->addWidget(dataListCaption);
    dataColumn->addWidget(dataList);

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(status);
    split->addWidget(data);
    split->setChildrenCollapsible(false);
    split->setSizes({300, 340});
    return split;
}

void MainWindowUi::buildMenus(QMainWindow* window) {
    QMenuBar* bar = window->menuBar();
    dataLogMenu = named(bar->addMenu(QStringLiteral("&Data Monitor and Log")), "mnuDataLog");
    dataLoggerAction = entry(dataLogMenu, "mnuDataLogLog", QStringLiteral("&MultiView "));

    connectionMenu = named(bar->addMenu(QStringLiteral("&Connection")), "mnuCom");
    usbAction = entry(connectionMenu, "mnuUSB", QStringLiteral("USB"));
    com1Action = entry(connectionMenu, "mnuConnectionCom1", QStringLiteral("Com1"));
    com2Action = entry(connectionMenu, "mnuConnectionCom2", QStringLiteral("Com2"));
    com3Action = entry(connectionMenu, "mnuConnectionCom3", QStringLiteral("Com3"));
    com4Action = entry(connectionMenu, "mnuConnectionCom4", QStringLiteral("Com4"));
    com5to9Action = entry(connectionMenu, "mnuConnectionComX", QStringLiteral("COM 5 thru 9"));
    adapterMenu = named(connectionMenu->addMenu(QStringLiteral("Adapter")), "mnuAdapter");
    boxAdapterAction = entry(adapterMenu, "mnuAdapterBox", QStringLiteral("Scan tool box"));
    elm327AdapterAction = entry(adapterMenu, "mnuAdapterElm327", QStringLiteral("ELM327 adapter"));
    auto* adapters = new QActionGroup(window);
    for (QAction* a : {boxAdapterAction, elm327AdapterAction}) {
        a->setCheckable(true);
        adapters->addAction(a);
    }

    onBoardTestsAction = bar->addAction(QStringLiteral("&Mode 6 Tests"));
    onBoardTestsAction->setObjectName(QStringLiteral("mnuMode6"));

    optionsMenu = named(bar->addMenu(QStringLiteral("&Options")), "mnuOptions");
    fuelTrimAction = entry(optionsMenu, "mnuFTM", QStringLiteral("&Fuel Trim Monitor"));
    airFuelAction = entry(optionsMenu, "mnuAF", QStringLiteral("&Air/Fuel Ratio Meter"));
    wbo2LogAction = entry(optionsMenu, "mnuWBO2", QStringLiteral("WBO2 Calibration"));
    logViewerAction = entry(optionsMenu, "mnuLogViewer", QStringLiteral("&Log Viewer..."));
    unitsMenu = named(optionsMenu->addMenu(QStringLiteral("&Units")), "mnuUnits");
    englishUnitsAction = entry(unitsMenu, "mnuUnitsEnglish", QStringLiteral("&English"));
    metricUnitsAction = entry(unitsMenu, "mnuUnitsMetric", QStringLiteral("&Metric"));
    debugModeAction = entry(optionsMenu, "mnuDebugMode", QStringLiteral("&Debug Mode On/Off"));
    auto* units = new QActionGroup(window);
    for (QAction* a : {englishUnitsAction, metricUnitsAction, debugModeAction})
        a->setCheckable(true);
    units->addAction(englishUnitsAction);
    units->addAction(metricUnitsAction);
    englishUnitsAction->setChecked(true);

    helpMenu = named(bar->addMenu(QStringLiteral("&Help")), "mnuHelp");
    aboutAction = entry(helpMenu, "mnuAbout", QStringLiteral("&About Vamrick"));

    operationStarters = new QActionGroup(window);
    operationStarters->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    for (QAction* a :
         {usbAction, com1Action, com2Action, com3Action, com4Action, com5to9Action,
          dataLoggerAction, onBoardTestsAction, fuelTrimAction, airFuelAction, wbo2LogAction})
        operationStarters->addAction(a);
}

} // namespace app
