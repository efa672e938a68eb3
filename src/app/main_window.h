// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app_state.h"
#include "core/prompter.h"
#include "diag/mode5_window.h"
#include "monitor/air_fuel_window.h"
#include "monitor/chart_window.h"
#include "monitor/data_log_window.h"
#include "monitor/fuel_trim_window.h"
#include "monitor/wbo2_log_window.h"
#include "print_sink.h"
#include "session.h"
#include "ui/port_chooser.h"

#include <QMainWindow>
#include <QPointer>

#include <chrono>
#include <memory>

class QAction;
class QActionGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QMenu;
class QPushButton;
class QTextEdit;

namespace diag {
class TroubleCodeDefinitions;
class Mode6Window;
} // namespace diag

namespace app {

// The main window: control panel, status box, status text window and vehicle data list. It is
// layout, menus and enabling: its handlers start the session's operations, and it follows what
// the session announces.
class MainWindow : public QMainWindow, public SessionView {
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
    // The session whose operations the window starts; before Form_Load.
    void attach(Session& session);
    Session& session() { return *session_; }
    ui::PortChooser* frmUserCOM() const { return frmUserCOM_; }

    // The start-up sequence; the caller shows the window first (unless it runs headless).
    void Form_Load();

    void Command1_Click(); // Exit
    void Command2_Click(); // Print
    void Label1_Click();
    void Label3_Click();
    // The menu's unit choices, remembered for the next start of the window.
    void mnuUnitsEnglish_Click();
    void mnuUnitsMetric_Click();
    // Units for this run only (the command line's --metric).
    void useUnits(bool metric);
    void mnuDebugMode_Click();
    void showAbout();
    void colour_textECU();

    void setStatusBox(const QColor& colour, const QString& text);
    QColor statusColour() const;
    QString statusText() const;

    // What the link and the connection switch on this window.
    void setLinkColour(scan::LinkColour colour) override;
    void setLinkText(const QString& text) override;
    void showOutOfReach(const QString& text) override;
    // Line breaks may be "\r\n" or "\n".
    void setStatusText(const QString& text) override;
    void appendStatusText(const QString& text) override;
    void setServiceButtonsEnabled(bool enabled) override;
    void showMode5() override;
    void setEntryEnabled(scan::Entry entry, bool enabled) override;
    void setConnectionMenuEnabled(bool enabled) override;
    void setMode6Enabled(bool enabled) override;
    void setFirmwareCaption(const QString& caption) override;
    void toggleChangeEcu() override;
    void showPortChooser() override;
    bool portChooserVisible() const override;

    // What the survey fills and switches on this window.
    void clearDataList() override;
    void addDataLine(const QString& line) override;
    void setDataListColour(const QColor& colour) override;
    void setEcuAddressCaption(const QString& caption) override;
    void setDataLogMenuEnabled(bool enabled) override;
    void setAirFuelMenuEnabled(bool enabled) override;
    void setFuelTrimMenuEnabled(bool enabled) override;
    void setWideRangeLogMenuEnabled(bool enabled) override;
    void colourStatusText() override;

    void Mode1_Click();
    void Mode2_Click();
    void Mode3_Click();
    void Mode4_Click();
    void ChangeECU_Click();
    // The USB connection: waits for the scan tool to be plugged in, then connects as Com1 does.
    void mnuUSB_Click();
    // Shows the selected vehicle data line live on the chart until it is stopped.
    void List1_DblClick();
    monitor::ChartWindow* chart() const { return chart_; }
    // Opens the data logger in place of the main window.
    void mnuDataLogLog_Click();
    monitor::DataLogWindow* dataLog() const { return dataLog_; }
    // Shows the O2 sensor test window without waiting for it.
    void Mode5_Click();
    diag::Mode5Window* frmMode5() const { return frmMode5_; }
    // Shows the on-board monitoring test window without waiting for it.
    void mnuMode6_Click();
    diag::Mode6Window* frmMode6() const { return frmMode6_; }
    // Shows the air/fuel ratio meter, which starts on its own START.
    void mnuAF_Click();
    monitor::AirFuelWindow* airFuelRatio() const { return airFuelRatio_; }
    // Shows the fuel trim monitor, live until it is stopped.
    void mnuFTM_Click();
    monitor::FuelTrimWindow* frmFuel_Trim() const { return frmFuelTrim_; }

    // Opens the wide-range O2 sensor log in place of the main window.
    void mnuWBO2_Click();
    monitor::Wbo2LogWindow* wro2SensorLog() const { return wro2SensorLog_; }

    // Controls, named as the program's documentation and tests know them.
    QTextEdit* textECU;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QListWidget* List1;
    QListView* List2;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QGroupBox* Frame1;
    QPushButton* Mode1;
    QPushButton* Mode2;
    QPushButton* Mode3;
    QPushButton* Mode4;
    QPushButton* Mode5;
    QPushButton* ChangeECU;
    QPushButton* Command1;
    QPushButton* Command2;

    QMenu* mnuDataLog;
    QAction* mnuDataLogLog;
    QMenu* mnuCom;
    QAction* mnuUSB;
    QAction* mnuConnectionCom1;
    QAction* mnuConnectionCom2;
    QAction* mnuConnectionCom3;
    QAction* mnuConnectionCom4;
    QAction* mnuConnectionComX;
    QMenu* mnuAdapter;
    QAction* mnuAdapterBox;
    QAction* mnuAdapterElm327;
    QAction* mnuMode6;
    QMenu* mnuOptions;
    QAction* mnuFTM;
    QAction* mnuAF;
    QAction* mnuWBO2;
    QMenu* mnuUnits;
    QAction* mnuUnitsEnglish;
    QAction* mnuUnitsMetric;
    QAction* mnuDebugMode;
    QMenu* mnuHelp;
    QAction* mnuAbout;

signals:
    // The window has been unloaded; the program ends after the given delay.
    void exitRequested(std::chrono::milliseconds delay);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    QWidget* buildControlPanel();
    QWidget* buildDataArea();

    void connectMenus();
    // The Adapter submenu shows the session's choice; a pick is kept for the next runs.
    void connectAdapterMenu();
    // Runs a service while its button stays pressed; refused while another operation runs.
    void runService(QPushButton* button, const QString& what, const std::function<void()>& work);
    // Runs a connection command; a second one while the scan tool is busy is refused.
    void connectWith(scan::Entry entry, const QString& what);
    // While an operation talks to the scan tool: a busy cursor, a status-bar line naming it, and
    // the controls that would start another one disabled.
    void runBusy(const QString& what, const std::function<void()>& work);
    // runBusy() for the windows this one opens.
    core::BusyRunner busyRunner();
    // The status bar between operations: where the scan tool is, or how to connect.
    void showIdleHint();
    // The scan tool is gone: off-line, services locked, the connection menu open again.
    void scanToolLost(int port);
    // Greys the data list, ECU # and firmware while they stand for a link that was lost, until
    // the next survey.
    void markValuesFromLostLink(bool lost);
    // The survey's end: the window shows, Mode1 is released and the O2 sensor test enabled.
    void surveyFinished();
    QAction* comEntry(int port) const;

    AppState& state_;
    Services services_;
    Session* session_ = nullptr;
    QPointer<ui::PortChooser> frmUserCOM_;
    monitor::ChartWindow* chart_ = nullptr;
    monitor::DataLogWindow* dataLog_ = nullptr;
    diag::Mode5Window* frmMode5_ = nullptr;
    diag::Mode6Window* frmMode6_ = nullptr;
    monitor::AirFuelWindow* airFuelRatio_ = nullptr;
    monitor::FuelTrimWindow* frmFuelTrim_ = nullptr;
    monitor::Wbo2LogWindow* wro2SensorLog_ = nullptr;
    QActionGroup* operationStarters_ = nullptr;
    QLabel* statusHint_ = nullptr;
    QColor dataListColour_{Qt::black};
    bool valuesFromLostLink_ = false;
};

} // namespace app
