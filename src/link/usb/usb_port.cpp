// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb_port.h"

namespace scan::usb {

namespace {
QString hex(quint64 value) {
    return QString::number(value, 16).toUpper();
}
} // namespace

UsbPort::UsbPort(BackendFactory factory, Identity identity)
    : factory_(std::move(factory)), identity_(identity) {}

UsbPort::~UsbPort() {
    release();
}

bool UsbPort::USB_init(LinkView& view, QString& error) {
    view_ = &view;
    refusal_.clear();
    view.setStatusText(QStringLiteral("Please verify that the device is attached...\r\n"));
    if (backend_)
        return true;
    if (!factory_) {
        error = QStringLiteral("this program was built without USB support");
        return false;
    }
    backend_ = factory_();
    Backend::Notices notices;
    notices.attached = [this](const Device& device) { return DeviceAttach(device); };
    notices.detached = [this](quintptr handle) { DeviceDetach(handle); };
    notices.refused = [this](const QString& why) {
        refusal_ = why;
        if (view_)
            view_->appendStatusText(why + QStringLiteral("\r\n"));
    };
    if (!backend_->start(identity_, std::move(notices), error)) {
        backend_.reset();
        return false;
    }
    return true;
}

bool UsbPort::DeviceAttach(const Device& device) {
    if (device_.handle) {
        if (view_)
            view_->setStatusText(QStringLiteral("DeviceAttach: Received another attach - "
                                                "control is rejected\r\nbecause only one device "
                                                "control is supported"));
        return false;
    }
    device_ = device;
    if (view_)
        view_->setStatusText(QStringLiteral("DeviceAttach: Received and accepted attach for "
                                            "\r\nvendor ID &H%1 product ID &H%2\r\ndevice "
                                            "handle &H%3")
                                 .arg(hex(device.identity.vendor), hex(device.identity.product),
                                      hex(device.handle)));
    return true;
}

void UsbPort::DeviceDetach(quintptr handle) {
    if (handle != device_.handle)
        return;
    // A scan tool plugged in again is accepted anew.
    device_ = {};
    if (transport_)
        transport_->unplug(QStringLiteral("the USB scan tool was unplugged"));
    close();
    backend_->release(handle);
}

Transport* UsbPort::open(std::chrono::milliseconds timeout, QString& error) {
    if (!backend_ || !device_.handle) {
        error = QStringLiteral("no USB scan tool is attached");
        return nullptr;
    }
    if (!transport_)
        transport_ = std::make_unique<UsbTransport>(*backend_, device_, timeout);
    if (!transport_->open(error)) {
        close();
        return nullptr;
    }
    return transport_.get();
}

void UsbPort::close() {
    if (!transport_)
        return;
    transport_->close();
    // It may be closed from inside one of its own signals (a lost device).
    transport_.release()->deleteLater();
}

void UsbPort::release() {
    if (transport_) {
        transport_->close();
        transport_.reset();
    }
    if (backend_)
        backend_->stop();
    backend_.reset();
    device_ = {};
}

} // namespace scan::usb
