// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "com_ports.h"
#include "driver.h"
#include "link/usb/usb_port.h"
#include "scan_tool_link.h"

#include <chrono>
#include <optional>
#include <vector>

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
};

// Disables the Com1-Com4 entries and enables those whose ports open.
void probeComPorts(ComPorts& ports, ConnectionView& view);

// Connecting to the scan tool on a serial port, the firmware query and switching ECUs. A
// connection is made in two halves around the vehicle data survey, which its caller runs: begin()
// opens the port, waits for the vehicle and reads the firmware; finish() then unlocks the services.
// The caller holds the link's operation guard throughout.
class Connection {
public:
    enum class Outcome { Connected, PortFailed, Cancelled, Busy };

    // How long the USB connection waits for the scan tool to be plugged in, unless a ready
    // wait limit is set.
    static constexpr std::chrono::seconds kAttachLimit{60};

    Connection(ScanToolLink& link, Driver& driver, ComPorts& ports, usb::UsbPort& usb,
               ConnectionView& view, core::Prompter& prompter);

    // Without a limit the wait for the vehicle lasts until it answers or the user stops it.
    void setReadyWaitLimit(std::optional<std::chrono::milliseconds> limit) {
        readyWaitLimit_ = limit;
    }

    // The command of a menu entry; for "COM 5 thru 9" `port` stands for the chooser's pick.
    Outcome begin(Entry entry, std::optional<int> port = std::nullopt);
    Outcome finish();
    // Switches the scan tool to the next ECU; false when the operation ended on the way.
    bool nextEcu();
    void showWaiting();

    // Why the last connection did not complete, for the headless report.
    const QString& failureReason() const { return failureReason_; }

private:
    Outcome beginUsb();
    // The USB scan tool's transport with the link; false when it could not be opened.
    bool useUsbTransport();
    // The driver's wait for the vehicle; its reason, if it gives one, is the failure's.
    bool waitForVehicle();
    // The firmware query; false when the scan tool was lost or the user stopped it.
    bool get_FW_version();
    Outcome giveUp(const QString& reason);
    QString whyNotConnected() const;

    ScanToolLink& link_;
    Driver& driver_;
    ComPorts& ports_;
    usb::UsbPort& usb_;
    ConnectionView& view_;
    core::Prompter& prompter_;
    std::optional<std::chrono::milliseconds> readyWaitLimit_;
    QString failureReason_;
    // The entries the connection under way disabled, and those it enables again.
    std::vector<Entry> disabled_;
    std::vector<Entry> reenabled_;
    bool overUsb_ = false;
};

} // namespace scan
