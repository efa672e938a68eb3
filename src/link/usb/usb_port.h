// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/link_view.h"
#include "usb_transport.h"

#include <functional>
#include <memory>

namespace scan::usb {

// The scan tool's USB side of the connection menu: starts the USB stack on first use, accepts
// one device of the identity looked for (DeviceAttach) and makes the transport to it.
class UsbPort {
public:
    using BackendFactory = std::function<std::unique_ptr<Backend>()>;
    UsbPort(BackendFactory factory, Identity identity);
    ~UsbPort();

    const Identity& identity() const { return identity_; }
    // Starts watching for the scan tool; its notices are written into the view's status text.
    bool USB_init(LinkView& view, QString& error);
    bool USBAttached() const { return device_.handle != 0; }
    // Why the last matching device could not be used; empty when none was refused.
    const QString& refusal() const { return refusal_; }
    // The attach notice: true when the device is taken, false for a second one.
    bool DeviceAttach(const Device& device);

    // The transport to the accepted device, each transfer bounded by `timeout`.
    Transport* open(std::chrono::milliseconds timeout, QString& error);
    void close();
    UsbTransport* current() const { return transport_.get(); }
    // The USB stack has been started (and not yet let go).
    bool inUse() const { return backend_ != nullptr; }
    void release();

private:
    void DeviceDetach(quintptr handle);

    BackendFactory factory_;
    Identity identity_;
    std::unique_ptr<Backend> backend_;
    LinkView* view_ = nullptr;
    Device device_;
    QString refusal_;
    std::unique_ptr<UsbTransport> transport_;
};

} // namespace scan::usb
