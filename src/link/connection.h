#pragma once

#include "com_ports.h"
#include "scan_tool_link.h"

#include <chrono>
#include <initializer_list>
#include <optional>

namespace scan {

// Entries of the connection menu.
enum class Entry { USB, Com1, Com2, Com3, Com4, ComX };

// The main-window controls a connection switches.
class ConnectionView : public virtual LinkView {
public:
    // Mode1 to Mode4 and ChangeECU.
    virtual void setServiceButtonsEnabled(bool enabled) = 0;
    virtual void showMode5() = 0;
    virtual void setEntryEnabled(Entry entry, bool enabled) = 0;
    virtual void setConnectionMenuEnabled(bool enabled) = 0;
    virtual void setMode6Enabled(bool enabled) = 0;
    virtual void setFirmwareCaption(const QString& caption) = 0;
    // ChangeECU reads "Toggle ECU" after its first use and flips its value each time.
    virtual void toggleChangeEcu() = 0;
    // Shows the COM5-COM9 chooser without blocking; it stores the pick in ComPortNumber.
    virtual void showPortChooser() = 0;
    virtual bool portChooserVisible() const = 0;
    // The vehicle data survey a connection ends with.
    virtual void runSurvey() = 0;
};

// Disables the Com1-Com4 entries and enables those whose ports open.
void probe_com_ports(ComPorts& ports, ConnectionView& view);

// Connecting to the scan tool on a serial port, the firmware query and switching ECUs.
class Connection {
public:
    enum class Outcome { Connected, PortFailed, Cancelled, Busy };

    Connection(ScanToolLink& link, ComPorts& ports, ConnectionView& view, core::Prompter& prompter);

    // Without a limit the wait for the vehicle lasts until it answers or the user cancels.
    void setReadyWaitLimit(std::optional<std::chrono::milliseconds> limit) {
        readyWaitLimit_ = limit;
    }

    Outcome mnuConnectionCom1_Click();
    Outcome mnuConnectionCom2_Click();
    Outcome mnuConnectionCom3_Click();
    Outcome mnuConnectionCom4_Click();
    Outcome mnuConnectionComX_Click();
    // Connects on COM1-COM9 without asking: COM5-COM9 behave as if picked in the chooser.
    Outcome connectByNumber(int port);
    // The firmware query, then the survey. False when the scan tool was lost or the user stopped
    // the query: the connection is not made.
    bool get_FW_version();
    void show_waiting();
    void ChangeECU_Click();

    // Why the last connection did not complete, for the headless report.
    const QString& failureReason() const { return failureReason_; }

private:
    Outcome connectOn(std::optional<int> port, std::initializer_list<Entry> disabled,
                      std::initializer_list<Entry> reenabled);
    bool waitForVehicle();
    void giveUp(std::initializer_list<Entry> disabled, const QString& reason);
    QString whyNotConnected() const;

    ScanToolLink& link_;
    ComPorts& ports_;
    ConnectionView& view_;
    core::Prompter& prompter_;
    std::optional<std::chrono::milliseconds> readyWaitLimit_;
    QString failureReason_;
};

} // namespace scan
