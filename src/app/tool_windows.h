// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"
#include "diag/mode5_window.h"
#include "diag/mode6_window.h"
#include "monitor/air_fuel_window.h"
#include "monitor/chart_window.h"
#include "monitor/data_log_window.h"
#include "monitor/fuel_trim_window.h"
#include "monitor/log_viewer_window.h"
#include "monitor/wbo2_log_window.h"
#include "session.h"

#include <QObject>
#include <QPointer>

namespace app {

// The windows the main window opens for the services and meters, each made on its first use and
// kept for the next. The two loggers take the main window's place while they are open.
class ToolWindows : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Session& session;
        core::Prompter& prompter;
        QString settingsPath;  // the logger's Settings.dat
        bool headless = false; // nothing is shown
    };

    ToolWindows(Parts parts, QWidget* mainWindow);

    // Shows the item live on the chart until it is stopped; `name` names it in the status bar.
    void chart(int code, const monitor::DisplayItem& item, const QString& name);
    void openDataLogger();
    // Opens the O2 sensor tests; false when they cannot be read yet.
    bool openO2Tests();
    void openOnBoardTests();
    void openAirFuelMeter();
    void monitorFuelTrims();
    void openWbo2Log();
    // The log viewer, asking for a file when it has none open.
    void openLogViewer();

    monitor::ChartWindow* chartWindow() const { return chart_; }
    monitor::DataLogWindow* dataLogWindow() const { return dataLog_; }
    diag::Mode5Window* o2TestWindow() const { return o2Tests_; }
    diag::Mode6Window* onBoardTestWindow() const { return onBoardTests_; }
    monitor::AirFuelWindow* airFuelWindow() const { return airFuel_; }
    monitor::FuelTrimWindow* fuelTrimWindow() const { return fuelTrims_; }
    monitor::Wbo2LogWindow* wbo2LogWindow() const { return wbo2Log_; }
    monitor::LogViewerWindow* logViewerWindow() const { return logViewer_; }

private:
    // Shows and raises the window, unless nothing is to be shown.
    void present(QWidget* window);
    // A logger takes the main window's place until it is closed.
    void takePlace(QWidget* logger);

    Parts parts_;
    QWidget* mainWindow_;
    QPointer<monitor::ChartWindow> chart_;
    QPointer<monitor::DataLogWindow> dataLog_;
    QPointer<diag::Mode5Window> o2Tests_;
    QPointer<diag::Mode6Window> onBoardTests_;
    QPointer<monitor::AirFuelWindow> airFuel_;
    QPointer<monitor::FuelTrimWindow> fuelTrims_;
    QPointer<monitor::Wbo2LogWindow> wbo2Log_;
    QPointer<monitor::LogViewerWindow> logViewer_;
};

} // namespace app
