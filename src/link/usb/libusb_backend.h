// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "usb_backend.h"

#include <QObject>
#include <QTimer>

#include <map>
#include <thread>

struct libusb_context;
struct libusb_device;
struct libusb_device_handle;

namespace scan::usb {

// The USB stack of the platform through libusb-1.0. Devices are watched by libusb's hotplug
// events where the platform has them (handled on a thread of their own and passed on to this
// object's thread), else by looking at the bus once a second. Only a device of the identity
// looked for, with a vendor-specific interface that no kernel driver uses, is claimed.
class LibusbBackend : public QObject, public Backend {
    Q_OBJECT
public:
    explicit LibusbBackend(QObject* parent = nullptr);
    ~LibusbBackend() override;

    bool start(const Identity& identity, Notices notices, QString& error) override;
    void release(quintptr device) override;
    void stop() override;
    Transfer controlIn(quintptr device, const SetupPacket& setup,
                       std::chrono::milliseconds timeout) override;

private:
    struct Seen {
        libusb_device_handle* handle = nullptr; // claimed; null when refused
        int interface = -1;
        bool left = false; // unplugged: forgotten once given back
    };

    void look();
    void offer(libusb_device* device);
    void gone(libusb_device* device);
    // Opens and claims the device's vendor-specific interface, or says why not.
    QString claim(libusb_device* device, Seen& seen);
    friend int hotplugEvent(libusb_context*, libusb_device*, int, void*);

    Identity identity_;
    Notices notices_;
    libusb_context* context_ = nullptr;
    int hotplug_ = 0;
    bool hotplugging_ = false;
    std::jthread events_;
    QTimer poll_;
    // Every matching device offered so far (one reference held each), so that none is offered
    // twice.
    std::map<libusb_device*, Seen> seen_;
};

} // namespace scan::usb
