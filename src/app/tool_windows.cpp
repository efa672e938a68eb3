// SPDX-License-Identifier: GPL-3.0-or-later
#include "tool_windows.h"

namespace app {

ToolWindows::ToolWindows(Parts parts, QWidget* mainWindow)
    : QObject(mainWindow), parts_(std::move(parts)), mainWindow_(mainWindow) {}

void ToolWindows::present(QWidget* window) {
    if (parts_.headless)
        return;
    window->show();
    window->raise();
}

void ToolWindows::takePlace(QWidget* logger) {
    logger->show();
    logger->raise();
    if (!parts_.headless)
        mainWindow_->hide();
}

void ToolWindows::chart(int code, const monitor::DisplayItem& item, const QString& name) {
    if (!chart_)
        chart_ = new monitor::ChartWindow(parts_.session.realtimeDisplay(), parts_.prompter,
                                          parts_.session.operations(), mainWindow_);
    chart_->display(code, item, QStringLiteral("Showing %1 live").arg(name));
}

void ToolWindows::openDataLogger() {
    if (!dataLog_) {
        AppState& state = parts_.session.state();
        dataLog_ = new monitor::DataLogWindow(parts_.session.dataLogger(), state.log, state.survey,
                                              parts_.prompter, parts_.session.operations(),
                                              parts_.settingsPath, mainWindow_);
        connect(dataLog_, &monitor::DataLogWindow::closed, mainWindow_, &QWidget::show);
        connect(dataLog_, &monitor::DataLogWindow::openLogRequested, this,
                &ToolWindows::openLogViewer);
    }
    dataLog_->load();
    takePlace(dataLog_);
}

bool ToolWindows::openO2Tests() {
    if (!o2Tests_)
        o2Tests_ = new diag::Mode5Window(parts_.session.o2Tests(), parts_.prompter,
                                         parts_.session.operations(), mainWindow_);
    // A window out of sight has been unloaded, so opening it loads it afresh.
    const bool opened = o2Tests_->isVisible() || o2Tests_->load();
    if (opened)
        present(o2Tests_);
    return opened;
}

void ToolWindows::openOnBoardTests() {
    if (!onBoardTests_)
        onBoardTests_ = new diag::Mode6Window(parts_.session.mode6Tests(), parts_.prompter,
                                              parts_.session.operations(), mainWindow_);
    onBoardTests_->load();
    present(onBoardTests_);
}

void ToolWindows::openLogViewer() {
    if (!logViewer_)
        logViewer_ = new monitor::LogViewerWindow(parts_.prompter, mainWindow_);
    present(logViewer_);
    if (!logViewer_->reading().samples)
        logViewer_->chooseLog();
}

void ToolWindows::openAirFuelMeter() {
    if (!airFuel_)
        airFuel_ = new monitor::AirFuelWindow(parts_.session.airFuelMeter(),
                                              parts_.session.operations(), mainWindow_);
    airFuel_->load();
    present(airFuel_);
}

void ToolWindows::monitorFuelTrims() {
    if (!fuelTrims_)
        fuelTrims_ = new monitor::FuelTrimWindow(parts_.session.fuelTrimMonitor(), parts_.prompter,
                                                 parts_.session.operations(), mainWindow_);
    fuelTrims_->monitorFuelTrims();
}

void ToolWindows::openWbo2Log() {
    if (!wbo2Log_) {
        wbo2Log_ =
            new monitor::Wbo2LogWindow(parts_.session.wbo2Log(), parts_.session.state().log,
                                       parts_.prompter, parts_.session.operations(), mainWindow_);
        connect(wbo2Log_, &monitor::Wbo2LogWindow::closed, this, [this] {
            if (!parts_.headless)
                mainWindow_->show();
        });
    }
    wbo2Log_->load();
    takePlace(wbo2Log_);
}

} // namespace app
