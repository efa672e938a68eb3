// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window.h"

#include "diag/trouble_code_definitions.h"
#include "ui/widgets.h"
#include "user_choices.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QStringListModel>

// The main window's life and its enabling policy: what may be used while an operation runs,
// before a connection and after the scan tool is lost.

namespace app {

namespace {

const QString kConnectHint = QStringLiteral("Choose the scan tool's port in the Connection menu.");

} // namespace

MainWindow::MainWindow(AppState& state, Services services, QWidget* parent)
    : QMainWindow(parent), state_(state), services_(std::move(services)) {
    setUp(this);
    for (QLabel* clickable : {ecuStatusCaption, vehicleDataCaption})
        clickable->installEventFilter(this);
}

void MainWindow::attach(Session& session) {
    session_ = &session;
    tools_ = new ToolWindows(
        {session, services_.prompter, services_.settingsPath, services_.headless}, this);
    connectCommands();
    connect(session_, &Session::linkLost, this, &MainWindow::scanToolLost);
    connect(session_, &Session::surveyFinished, this, &MainWindow::surveyFinished);
    connect(session_, &Session::connected, this, &MainWindow::showIdleHint);
}

void MainWindow::connectAdapterMenu() {
    (session_->adapter() == Adapter::Elm327 ? elm327AdapterAction : boxAdapterAction)
        ->setChecked(true);
    for (const auto& [action, adapter] : {std::pair{boxAdapterAction, Adapter::Box},
                                          std::pair{elm327AdapterAction, Adapter::Elm327}}) {
        connect(action, &QAction::triggered, this, [this, adapter = adapter] {
            session_->setAdapter(adapter);
            saveAdapter(adapter);
        });
    }
}

void MainWindow::connectCommands() {
    const std::pair<QAction*, scan::Entry> entries[] = {
        {com1Action, scan::Entry::Com1},    {com2Action, scan::Entry::Com2},
        {com3Action, scan::Entry::Com3},    {com4Action, scan::Entry::Com4},
        {com5to9Action, scan::Entry::ComX},
    };
    connectAdapterMenu();
    connect(usbAction, &QAction::triggered, this, &MainWindow::connectUsb);
    for (const auto& [action, entry] : entries)
        connect(action, &QAction::triggered, this,
                [this, entry = entry] { session_->connectScanTool(entry); });
    const std::pair<QPushButton*, void (MainWindow::*)()> buttons[] = {
        {currentDataButton, &MainWindow::readCurrentData},
        {freezeFrameButton, &MainWindow::readFreezeFrame},
        {troubleCodesButton, &MainWindow::readTroubleCodes},
        {clearCodesButton, &MainWindow::clearTroubleCodes},
        {o2TestButton, &MainWindow::openO2Tests},
        {changeEcuButton, &MainWindow::changeEcu},
        {printButton, &MainWindow::print},
    };
    for (const auto& [button, command] : buttons)
        connect(button, &QPushButton::clicked, this, command);
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);
    const std::pair<QAction*, void (MainWindow::*)()> actions[] = {
        {dataLoggerAction, &MainWindow::openDataLogger},
        {onBoardTestsAction, &MainWindow::openOnBoardTests},
        {airFuelAction, &MainWindow::openAirFuelMeter},
        {fuelTrimAction, &MainWindow::monitorFuelTrims},
        {wbo2LogAction, &MainWindow::openWbo2Log},
        {logViewerAction, &MainWindow::openLogViewer},
        {englishUnitsAction, &MainWindow::chooseEnglishUnits},
        {metricUnitsAction, &MainWindow::chooseMetricUnits},
        {debugModeAction, &MainWindow::toggleDebugMode},
        {aboutAction, &MainWindow::showAbout},
    };
    for (const auto& [action, command] : actions)
        connect(action, &QAction::triggered, this, command);
    connect(dataList, &QListWidget::itemDoubleClicked, this, &MainWindow::chartSelectedLine);
    // Escape stops the operation under way (the connection's wait for the vehicle among them).
    ui::onEscape(this, [this] { session_->operations().stop(); });
}

void MainWindow::load() {
    wbo2LogAction->setEnabled(false);
    for (QPushButton* b : {currentDataButton, freezeFrameButton, troubleCodesButton,
                           clearCodesButton, o2TestButton, changeEcuButton})
        b->setEnabled(false);
    o2TestButton->hide();
    state_.link.NoVehicleLink = false;
    state_.link.DebugMode = false;
    debugModeAction->setChecked(false);
    state_.survey.DataLogReady = false;
    state_.survey.WBO2PID = QStringLiteral("0");
    // Reports and logs never depend on what the window last used on this machine.
    useUnits(!services_.headless && savedMetricUnits());
    setStatusBox(QColor(255, 0, 0), QStringLiteral("ECU Off-Line"));
    for (QAction* a : {dataLoggerAction, onBoardTestsAction, airFuelAction, fuelTrimAction})
        a->setEnabled(false);
    services_.definitions.load(services_.definitionLocations, services_.prompter);
    static_cast<QStringListModel*>(definitionList->model())
        ->setStringList(services_.definitions.lines());
    scan::ComPorts& ports = session_->ports();
    scan::probeComPorts(ports, *this);
    for (int port = 1; port <= 4; ++port)
        comEntry(port)->setStatusTip(
            QStringLiteral("Connect to the scan tool on %1.").arg(ports.device(port)));
    com5to9Action->setStatusTip(QStringLiteral("Choose one of COM5 to COM9 (%1 to %2).")
                                    .arg(ports.device(5), ports.device(9)));
    showIdleHint();
}

void MainWindow::operationRefused() {
    QApplication::beep();
}

void MainWindow::operationStarted(const QString& what) {
    // Disabling the containers keeps each control's own state for when they are enabled again.
    controlPanel->setEnabled(false);
    operationStarters->setEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    statusBar()->showMessage(what + QStringLiteral("... Press Esc to stop."));
}

void MainWindow::operationEnded() {
    QApplication::restoreOverrideCursor();
    operationStarters->setEnabled(true);
    controlPanel->setEnabled(true);
    showIdleHint();
}

void MainWindow::showIdleHint() {
    statusBar()->clearMessage();
    QString hint =
        session_->isConnected()
            ? QStringLiteral("Connected to the scan tool on %1.").arg(session_->connectedWhere())
            : kConnectHint;
    if (valuesFromLostLink_)
        hint += QStringLiteral(" The greyed values are values from before the link was lost.");
    statusHint->setText(hint);
}

void MainWindow::markValuesFromLostLink(bool lost) {
    const bool anyValues = dataList->count() > 0 || !ecuAddressCaption->text().isEmpty() ||
                           !firmwareCaption->text().isEmpty();
    valuesFromLostLink_ = lost && anyValues;
    ui::paint(dataList,
              {{QPalette::Text, valuesFromLostLink_ ? QColor(Qt::gray) : dataListColour_}});
    for (QLabel* caption : {ecuAddressCaption, firmwareCaption})
        ui::paint(caption, {{QPalette::WindowText, valuesFromLostLink_
                                                       ? QColor(Qt::gray)
                                                       : palette().color(QPalette::WindowText)}});
    if (statusBar()->currentMessage().isEmpty())
        showIdleHint();
}

QAction* MainWindow::comEntry(int port) const {
    QAction* const entries[] = {com1Action, com2Action, com3Action, com4Action};
    return port >= 1 && port <= 4 ? entries[port - 1] : com5to9Action;
}

void MainWindow::scanToolLost(int lostPort) {
    setStatusBox(QColor(255, 0, 0), QStringLiteral("ECU Off-Line"));
    markValuesFromLostLink(true);
    for (QPushButton* b : {currentDataButton, freezeFrameButton, troubleCodesButton,
                           clearCodesButton, o2TestButton, changeEcuButton})
        b->setEnabled(false);
    for (QAction* a :
         {onBoardTestsAction, dataLoggerAction, airFuelAction, fuelTrimAction, wbo2LogAction})
        a->setEnabled(false);
    // The lost port's own entry stays offered: the user plugs the scan tool back in and retries.
    scan::probeComPorts(session_->ports(), *this);
    comEntry(lostPort)->setEnabled(true);
    usbAction->setEnabled(lostPort == 0 || usbAction->isEnabled());
    com5to9Action->setEnabled(true);
    setConnectionMenuEnabled(true);
    appendStatusText(QStringLiteral("\r\nThe connection to the scan tool was lost. Choose its port "
                                    "in the Connection menu to connect again.\r\n"));
    showIdleHint();
}

void MainWindow::surveyFinished() {
    if (!services_.headless)
        show();
    currentDataButton->setChecked(false);
    o2TestButton->setEnabled(true);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    session_->link().shutDown(); // every wait in progress ends, so the program can leave
    if (portChooser_)
        portChooser_->close();
    event->accept();
    // Over USB the scan tool is given two seconds to let go before the program ends.
    const bool usb = session_->usbInUse();
    session_->releaseUsb();
    emit exitRequested(usb ? std::chrono::milliseconds(2000) : std::chrono::milliseconds(0));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == ecuStatusCaption)
            explainStatusColours();
        else if (watched == vehicleDataCaption)
            explainVin();
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace app
