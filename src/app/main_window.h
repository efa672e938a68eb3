// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app_state.h"
#include "core/prompter.h"
#include "main_window_ui.h"
#include "print_sink.h"
#include "session.h"
#include "tool_windows.h"
#include "ui/port_chooser.h"

#include <QMainWindow>
#include <QPointer>

#include <chrono>
#include <memory>

namespace diag {
class TroubleCodeDefinitions;
} // namespace diag

namespace app {

// The main window: control panel, status box, status text window and vehicle data list. Its
// controls are MainWindowUi's; it enables them as the session's operations and the link allow,
// and its commands start the session's operations and the tool windows.
class MainWindow : public QMainWindow, public SessionView, public MainWindowUi {
    Q_OBJECT
public:
    struct Services {
        core::Prompter& prompter;
        PrintSink& printer;
        diag::TroubleCodeDefinitions& definitions;
        QStringList definitionLocations;
        QString settingsPath;  // the logger's Settings.dat
        bool headless = false; // never shown: the survey must not bring the window up
    };

    MainWindow(AppState& state, Services services, QWidget* parent = nullptr);
    // The session whose operations the window starts; before load().
    void attach(Session& session);
    Session& session() { return *session_; }
    ToolWindows& tools() { return *tools_; }
    ui::PortChooser* portChooser() const { return portChooser_; }

    // The start-up sequence: definitions loaded, ports probed, services locked until a
    // connection. The caller shows the window first (unless it runs headless).
    void load();

    // The commands of the controls and menus (main_window_commands.cpp).
    void readCurrentData();
    void readFreezeFrame();
    void readTroubleCodes();
    void clearTroubleCodes();
    // Shows the O2 sensor test window without waiting for it.
    void openO2Tests();
    void changeEcu();
    // The USB connection: waits for the scan tool to be plugged in, then connects as Com1 does.
    void connectUsb();
    // Shows the selected vehicle data line live on the chart until it is stopped.
    void chartSelectedLine();
    // Opens the data logger in place of the main window.
    void openDataLogger();
    void openOnBoardTests();
    // Shows the air/fuel ratio meter, which starts on its own START.
    void openAirFuelMeter();
    // Shows the fuel trim monitor, live until it is stopped.
    void monitorFuelTrims();
    // Opens the wide-range O2 sensor log in place of the main window.
    void openWbo2Log();
    void openLogViewer();
    void print();
    void explainStatusColours();
    void explainVin();
    // The menu's unit choices, remembered for the next start of the window.
    void chooseEnglishUnits();
    void chooseMetricUnits();
    // Units for this run only (the command line's --metric).
    void useUnits(bool metric);
    void toggleDebugMode();
    void showAbout();

    // What the link, the connection and the survey show on this window (main_window_view.cpp).
    void setStatusBox(const QColor& colour, const QString& text) override;
    QColor statusColour() const override;
    QString linkText() const override;
    QString statusText() const;
    void setLinkColour(scan::LinkColour colour) override;
    void setLinkText(const QString& text) override;
    void showOutOfReach(const QString& text) override;
    // Line breaks may be "\r\n" or "\n".
    void setStatusText(const QString& text) override;
    void appendStatusText(const QString& text) override;
    void colourStatusText() override;
    void setServiceButtonsEnabled(bool enabled) override;
    void showMode5() override;
    void setEntryEnabled(scan::Entry entry, bool enabled) override;
    void setConnectionMenuEnabled(bool enabled) override;
    void setMode6Enabled(bool enabled) override;
    void setFirmwareCaption(const QString& caption) override;
    void toggleChangeEcu() override;
    void showPortChooser() override;
    bool portChooserVisible() const override;
    void clearDataList() override;
    void addDataLine(const QString& line) override;
    void setDataListColour(const QColor& colour) override;
    void setEcuAddressCaption(const QString& caption) override;
    void setDataLogMenuEnabled(bool enabled) override;
    void setAirFuelMenuEnabled(bool enabled) override;
    void setFuelTrimMenuEnabled(bool enabled) override;
    void setWideRangeLogMenuEnabled(bool enabled) override;
    // Fills the notes box, unless the user has typed in it.
    void showVin(const QString& vin) override;

    // While an operation talks to the scan tool: a busy cursor, a status-bar line naming it, and
    // the controls that would start another one disabled. A refused one beeps.
    void operationRefused() override;
    void operationStarted(const QString& what) override;
    void operationEnded() override;

signals:
    // The window has been unloaded; the program ends after the given delay.
    void exitRequested(std::chrono::milliseconds delay);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectCommands();
    // The Adapter submenu shows the session's choice; a pick is kept for the next runs.
    void connectAdapterMenu();
    // Runs a service of the session while its button stays pressed.
    void runService(QPushButton* button, bool (Session::*operation)());
    // The status bar between operations: where the scan tool is, or how to connect.
    void showIdleHint();
    // The scan tool is gone: off-line, services locked, the connection menu open again.
    void scanToolLost(int port);
    // Greys the data list, ECU # and firmware while they stand for a link that was lost, until
    // the next survey.
    void markValuesFromLostLink(bool lost);
    // The survey's end: the window shows, the data button is released and the O2 sensor test
    // enabled.
    void surveyFinished();
    QAction* comEntry(int port) const;

    AppState& state_;
    Services services_;
    Session* session_ = nullptr;
    ToolWindows* tools_ = nullptr;
    QPointer<ui::PortChooser> portChooser_;
    QColor dataListColour_{Qt::black};
    QString vinShown_; // the VIN this window put in the notes box
    bool valuesFromLostLink_ = false;
};

} // namespace app
