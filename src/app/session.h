// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app_state.h"
#include "core/prompter.h"
#include "diag/clear_codes.h"
#include "diag/freeze_frame.h"
#include "diag/mode6_tests.h"
#include "diag/o2_tests.h"
#include "diag/trouble_codes.h"
#include "diag/vehicle_information.h"
#include "link/box/box_driver.h"
#include "link/connection.h"
#include "link/elm/elm_adapter.h"
#include "link/elm/elm_driver.h"
#include "link/operation_runner.h"
#include "monitor/air_fuel_meter.h"
#include "monitor/data_logger.h"
#include "monitor/fuel_trim_monitor.h"
#include "monitor/realtime_display.h"
#include "monitor/wbo2_log.h"
#include "obd/survey.h"
#include "user_choices.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace app {

// Sees every request the services make and what came of it, as the driver judged it.
class RequestObserver {
public:
    virtual ~RequestObserver() = default;
    virtual void answered(const scan::ObdRequest& request, const scan::ObdAnswer& answer) = 0;
    virtual void passedThrough(quint8 service, quint8 testId, quint8 componentId,
                               const scan::Driver::RawAnswer& answer) = 0;
    virtual void identified(const scan::Driver::Identity& identity) = 0;
    // The scan tool was moved on to the next ECU.
    virtual void ecuChanged() = 0;
};

// The driver of the scan tool on the link's port: the ELM327 adapter's for an adapter's port, the
// box's otherwise.
class DriverChoice : public scan::Driver {
public:
    DriverChoice(scan::ScanToolLink& link, scan::LinkView& view)
        : link_(link), box_(link, view), elm_(link, view) {}

    // Tells `observer` (none: nobody) of each request from now on.
    void setObserver(RequestObserver* observer) { observer_ = observer; }

    scan::ObdAnswer ask(const scan::ObdRequest& request) override;
    scan::Capabilities capabilities() const override { return current().capabilities(); }
    void onePidARequest() override { current().onePidARequest(); }
    Start start(std::optional<std::chrono::milliseconds> limit) override {
        return current().start(limit);
    }
    std::optional<scan::AnswerStatus> awaitVehicle() override { return current().awaitVehicle(); }
    RawAnswer passThrough(quint8 service, quint8 testId, quint8 componentId, int length) override;
    Identity identify() override;
    void nextEcu() override;

private:
    scan::Driver& current() const;

    scan::ScanToolLink& link_;
    mutable scan::box::BoxDriver box_;
    mutable scan::elm::ElmDriver elm_;
    RequestObserver* observer_ = nullptr;
};

// What the operations show: the main window, or its stand-in in tests.
class SessionView : public scan::ConnectionView,
                    public obd::SurveyView,
                    public scan::OperationView {
public:
    // The VIN the vehicle gave, for the notes box.
    virtual void showVin(const QString& vin) = 0;
    // The status box, read and put back: the requests after a survey must not change its verdict.
    virtual QColor statusColour() const = 0;
    virtual QString linkText() const = 0;
    virtual void setStatusBox(const QColor& colour, const QString& text) = 0;
};

// The scan-tool side of the program: owns the ports, the link and the services, runs one
// operation at a time through its OperationRunner, and says what happened as signals. Each
// operation returns false (or Busy) when another one runs.
class Session : public QObject {
    Q_OBJECT
public:
    struct Parts {
        core::Prompter& prompter;
        const diag::TroubleCodeDefinitions& definitions;
        scan::ComPorts::Factory portFactory;
        scan::ScanToolLink::Settings linkSettings = {};
        std::chrono::seconds storedCodeLimit{10};
        // The USB stack (none: the USB entry finds no scan tool) and the scan tool's identity.
        scan::usb::UsbPort::BackendFactory usbBackend = {};
        scan::usb::Identity usbIdentity = scan::usb::kDefaultIdentity;
        // The ELM327-class adapter on a device (a port's device, or "tcp:HOST:PORT"); nothing
        // when none can be made there.
        std::function<std::unique_ptr<scan::elm::ElmAdapter>(const QString& device)> elmAdapter =
            {};
        Adapter adapter = Adapter::Box;
    };

    Session(AppState& state, SessionView& view, Parts parts, QObject* parent = nullptr);

    // A connection command of the menu; the survey runs between its two halves. For
    // "COM 5 thru 9" `port` stands for the chooser's pick.
    scan::Connection::Outcome connectScanTool(scan::Entry entry,
                                              std::optional<int> port = std::nullopt);
    // COM1-COM9 by number, as the headless report connects.
    scan::Connection::Outcome connectByNumber(int port);
    bool changeEcu();
    bool survey();
    bool readCodes();
    bool clearCodes();
    bool readFreezeFrame();

    // What the next connection on a COM port talks to.
    Adapter adapter() const { return adapter_; }
    void setAdapter(Adapter adapter) { adapter_ = adapter; }

    scan::ScanToolLink& link() { return link_; }
    // How the windows start what talks to the scan tool.
    scan::OperationRunner& operations() { return operations_; }
    // What the services ask through: the driver of the scan tool connected.
    scan::Driver& driver() { return driver_; }
    void setRequestObserver(RequestObserver* observer) { driver_.setObserver(observer); }
    AppState& state() { return state_; }
    scan::ComPorts& ports() { return ports_; }
    scan::Connection& connection() { return connection_; }
    monitor::RealtimeDisplay& realtimeDisplay() { return realtime_; }
    monitor::DataLogger& dataLogger() { return logger_; }
    diag::O2Tests& o2Tests() { return o2Tests_; }
    diag::Mode6Tests& mode6Tests() { return mode6Tests_; }
    const diag::ClearCodes& codeClearing() const { return clearCodes_; }
    // What the last survey's ECU said about itself.
    const diag::VehicleInfo& vehicleInfo() const { return vehicleInfo_; }
    monitor::AirFuelMeter& airFuelMeter() { return airFuel_; }
    monitor::FuelTrimMonitor& fuelTrimMonitor() { return fuelTrims_; }
    monitor::Wbo2Log& wbo2Log() { return wbo2Log_; }
    bool isConnected() const { return link_.transport() && !link_.lost(); }
    // Where the scan tool is connected, e.g. "Com1 (/dev/ttyS0)" or "USB 16C0:05DC".
    QString connectedWhere() const;
    // The USB stack was started: the program lets go of it and gives it time when it ends.
    bool usbInUse() const { return usb_.inUse(); }
    void releaseUsb() { usb_.release(); }

signals:
    void connected();
    void surveyFinished();
    // The scan tool is gone; its port (1-9, 0 for USB) has been closed.
    void linkLost(int port);

private:
    void runSurvey();
    // After a survey: the vehicle information and the readiness verdict, below the monitors.
    void showVehicleInformation();

    AppState& state_;
    SessionView& view_;
    Adapter adapter_;
    scan::ComPorts ports_;
    scan::usb::UsbPort usb_;
    scan::ScanToolLink link_;
    scan::OperationRunner operations_;
    DriverChoice driver_;
    scan::Connection connection_;
    obd::PidRequest request_;
    obd::Decoders decoders_;
    obd::Survey survey_;
    diag::CodeReader codeReader_;
    diag::ClearCodes clearCodes_;
    diag::FreezeFrame freezeFrame_;
    diag::O2Tests o2Tests_;
    diag::Mode6Tests mode6Tests_;
    diag::VehicleInformation vehicleInformation_;
    diag::VehicleInfo vehicleInfo_;
    monitor::RealtimeDisplay realtime_;
    monitor::DataLogger logger_;
    monitor::AirFuelMeter airFuel_;
    monitor::FuelTrimMonitor fuelTrims_;
    monitor::Wbo2Log wbo2Log_;
};

} // namespace app
