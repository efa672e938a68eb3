// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window.h"

#include "diag/mode5_window.h"
#include "diag/mode6_window.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>

// The windows the main window opens for the services and meters.

namespace app {

core::BusyRunner MainWindow::busyRunner() {
    return [this](const QString& what, const std::function<void()>& work) { runBusy(what, work); };
}

void MainWindow::List1_DblClick() {
    const int line = List1->currentRow();
    if (line < 0 || line >= state_.survey.PIDCount)
        return;
    const int code = state_.survey.LinePID[line];
    const std::optional<monitor::DisplayItem> item = monitor::displayItem(code);
    if (!item) {
        services_.prompter.message({QStringLiteral("No Data Selected")});
        return;
    }
    if (session_->link().busy()) {
        QApplication::beep();
        return;
    }
    if (!chart_)
        chart_ = new monitor::ChartWindow(session_->link(), session_->realtimeDisplay(),
                                          services_.prompter, this);
    runBusy(QStringLiteral("Showing %1 live")
                .arg(List1->item(line)->text().section(QLatin1Char('-'), 0, 0).trimmed()),
            [this, code, &item] { chart_->display(code, *item); });
    show();
}

void MainWindow::mnuDataLogLog_Click() {
    if (!dataLog_) {
        dataLog_ = new monitor::DataLogWindow(session_->dataLogger(), state_.log, state_.survey,
                                              services_.prompter, services_.settingsPath, this);
        connect(dataLog_, &monitor::DataLogWindow::closed, this, &QWidget::show);
    }
    dataLog_->Form_Load();
    dataLog_->show();
    dataLog_->raise();
    if (!services_.headless)
        hide();
}

void MainWindow::mnuMode6_Click() {
    if (!frmMode6_)
        frmMode6_ = new diag::Mode6Window(session_->link(), session_->driver(), services_.prompter,
                                          busyRunner(), this);
    if (services_.headless)
        return;
    frmMode6_->show();
    frmMode6_->raise();
}

void MainWindow::mnuAF_Click() {
    if (!airFuelRatio_)
        airFuelRatio_ = new monitor::AirFuelWindow(session_->link(), session_->airFuelMeter(),
                                                   busyRunner(), this);
    airFuelRatio_->Form_Load();
    if (services_.headless)
        return;
    airFuelRatio_->show();
    airFuelRatio_->raise();
}

void MainWindow::mnuFTM_Click() {
    if (session_->link().busy()) {
        QApplication::beep();
        return;
    }
    if (!frmFuelTrim_)
        frmFuelTrim_ = new monitor::FuelTrimWindow(session_->link(), session_->fuelTrimMonitor(),
                                                   services_.prompter, this);
    runBusy(QStringLiteral("Monitoring the fuel trims"),
            [this] { frmFuelTrim_->monitorFuelTrims(); });
}

void MainWindow::mnuWBO2_Click() {
    if (!wro2SensorLog_) {
        wro2SensorLog_ =
            new monitor::Wbo2LogWindow(session_->wbo2Log(), session_->link(), state_.log,
                                       services_.prompter, busyRunner(), this);
        connect(wro2SensorLog_, &monitor::Wbo2LogWindow::closed, this, [this] {
            if (!services_.headless)
                show();
        });
    }
    wro2SensorLog_->Form_Load();
    wro2SensorLog_->show();
    wro2SensorLog_->raise();
    if (!services_.headless)
        hide();
}

void MainWindow::Mode5_Click() {
    if (!frmMode5_)
        frmMode5_ =
            new diag::Mode5Window(session_->o2Tests(), services_.prompter, busyRunner(), this);
    // A window out of sight has been unloaded, so opening it loads it afresh.
    const bool opened = frmMode5_->isVisible() || frmMode5_->Form_Load();
    if (opened && !services_.headless) {
        frmMode5_->show();
        frmMode5_->raise();
    }
    Mode5->setChecked(false);
}

} // namespace app
