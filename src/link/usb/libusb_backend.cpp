// SPDX-License-Identifier: GPL-3.0-or-later
#include "libusb_backend.h"

#include <libusb.h>

#include <set>

namespace scan::usb {

namespace {

constexpr quint8 kVendorSpecificClass = 0xFF;

QString errorText(int status) {
    return QString::fromLatin1(libusb_strerror(status));
}

// The first interface whose first setting is vendor-specific, or -1.
int vendorInterface(libusb_device* device) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS &&
        libusb_get_config_descriptor(device, 0, &config) != LIBUSB_SUCCESS)
        return -1;
    int found = -1;
    for (int i = 0; i < config->bNumInterfaces && found < 0; ++i) {
        const libusb_interface& interface = config->interface[i];
        if (interface.num_altsetting > 0 &&
            interface.altsetting[0].bInterfaceClass == kVendorSpecificClass)
            found = interface.altsetting[0].bInterfaceNumber;
    }
    libusb_free_config_descriptor(config);
    return found;
}

} // namespace

int LIBUSB_CALL hotplugEvent(libusb_context*, libusb_device* device, int event, void* user) {
    auto* self = static_cast<LibusbBackend*>(user);
    libusb_ref_device(device);
    // libusb's own thread: the device is looked at on the backend's thread.
    QMetaObject::invokeMethod(self, [self, device, event] {
        if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED)
            self->offer(device);
        else
            self->gone(device);
        libusb_unref_device(device);
    });
    return 0;
}

namespace {
int LIBUSB_CALL onHotplug(libusb_context* context, libusb_device* device,
                          libusb_hotplug_event event, void* user) {
    return hotplugEvent(context, device, int(event), user);
}
} // namespace

LibusbBackend::LibusbBackend(QObject* parent) : QObject(parent) {
    poll_.setInterval(1000);
    connect(&poll_, &QTimer::timeout, this, &LibusbBackend::look);
}

LibusbBackend::~LibusbBackend() {
    stop();
}

bool LibusbBackend::start(const Identity& identity, Notices notices, QString& error) {
    if (context_)
        stop();
    if (const int status = libusb_init(&context_); status != LIBUSB_SUCCESS) {
        context_ = nullptr;
        error = QStringLiteral("the USB library did not start (%1)").arg(errorText(status));
        return false;
    }
    identity_ = identity;
    notices_ = std::move(notices);
    hotplugging_ =
        libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) &&
        libusb_hotplug_register_callback(
            context_, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT,
            LIBUSB_HOTPLUG_NO_FLAGS, identity.vendor, identity.product, LIBUSB_HOTPLUG_MATCH_ANY,
            onHotplug, this, &hotplug_) == LIBUSB_SUCCESS;
    if (hotplugging_) {
        events_ = std::jthread([context = context_](const std::stop_token& stop) {
            while (!stop.stop_requested()) {
                timeval tick{0, 100000};
                libusb_handle_events_timeout_completed(context, &tick, nullptr);
            }
        });
    } else {
        poll_.start();
    }
    // Devices already plugged in are offered from the event loop, as later ones are.
    QMetaObject::invokeMethod(this, &LibusbBackend::look, Qt::QueuedConnection);
    return true;
}

void LibusbBackend::look() {
    if (!context_)
        return;
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    std::set<libusb_device*> present;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) == LIBUSB_SUCCESS &&
            Identity{descriptor.idVendor, descriptor.idProduct} == identity_) {
            present.insert(list[i]);
            offer(list[i]);
        }
    }
    if (!hotplugging_) {
        std::vector<libusb_device*> vanished;
        for (const auto& [device, seen] : seen_)
            if (!present.count(device))
                vanished.push_back(device);
        for (libusb_device* device : vanished)
            gone(device);
    }
    if (count >= 0)
        libusb_free_device_list(list, 1);
}

void LibusbBackend::offer(libusb_device* device) {
    if (!context_ || seen_.count(device))
        return;
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS ||
        !(Identity{descriptor.idVendor, descriptor.idProduct} == identity_))
        return;
    Seen& seen = seen_[libusb_ref_device(device)];
    if (const QString why = claim(device, seen); !why.isEmpty()) {
        if (notices_.refused)
            notices_.refused(why);
        return;
    }
    const Device accepted{quintptr(seen.handle), identity_};
    if (!notices_.attached || !notices_.attached(accepted))
        release(accepted.handle);
}

QString LibusbBackend::claim(libusb_device* device, Seen& seen) {
    const QString name = QStringLiteral("The USB device %1 (bus %2, address %3)")
                             .arg(toText(identity_))
                             .arg(libusb_get_bus_number(device))
                             .arg(libusb_get_device_address(device));
    const int interface = vendorInterface(device);
    if (interface < 0)
        return name + QStringLiteral(" has no vendor-specific interface: it is not a scan tool.");
    libusb_device_handle* handle = nullptr;
    if (const int status = libusb_open(device, &handle); status != LIBUSB_SUCCESS) {
        if (status == LIBUSB_ERROR_ACCESS)
            return name +
                   QStringLiteral(" cannot be opened: permission denied. Install the udev rules "
                                  "file 60-vamrick-usb.rules (in data/ of the sources, or "
                                  "/usr/share/vamrick once installed) in "
                                  "/etc/udev/rules.d, run 'udevadm control --reload', and plug the "
                                  "scan tool in again.");
        return name + QStringLiteral(" cannot be opened: ") + errorText(status) + QLatin1Char('.');
    }
    if (libusb_kernel_driver_active(handle, interface) == 1) {
        libusb_close(handle);
        return name + QStringLiteral(" is in use by a driver of the system; it is left alone.");
    }
    if (const int status = libusb_claim_interface(handle, interface); status != LIBUSB_SUCCESS) {
        libusb_close(handle);
        return name + QStringLiteral(" cannot be claimed: ") + errorText(status) + QLatin1Char('.');
    }
    seen.handle = handle;
    seen.interface = interface;
    return {};
}

void LibusbBackend::gone(libusb_device* device) {
    const auto found = seen_.find(device);
    if (found == seen_.end())
        return;
    const quintptr handle = quintptr(found->second.handle);
    if (!handle) {
        libusb_unref_device(device);
        seen_.erase(found);
        return;
    }
    // Given back by release() once nothing transfers to it any more.
    found->second.left = true;
    if (notices_.detached)
        notices_.detached(handle);
}

void LibusbBackend::release(quintptr device) {
    for (auto it = seen_.begin(); it != seen_.end(); ++it) {
        if (quintptr(it->second.handle) != device)
            continue;
        libusb_release_interface(it->second.handle, it->second.interface);
        libusb_close(it->second.handle);
        it->second.handle = nullptr;
        if (it->second.left) {
            libusb_unref_device(it->first);
            seen_.erase(it);
        }
        return;
    }
}

void LibusbBackend::stop() {
    if (!context_)
        return;
    poll_.stop();
    if (hotplugging_)
        libusb_hotplug_deregister_callback(context_, hotplug_);
    if (events_.joinable()) {
        events_.request_stop();
        events_.join();
    }
    for (auto& [device, seen] : seen_) {
        if (seen.handle) {
            libusb_release_interface(seen.handle, seen.interface);
            libusb_close(seen.handle);
        }
        libusb_unref_device(device);
    }
    seen_.clear();
    libusb_exit(context_);
    context_ = nullptr;
}

Transfer LibusbBackend::controlIn(quintptr device, const SetupPacket& setup,
                                  std::chrono::milliseconds timeout) {
    Transfer done;
    done.data.resize(setup.length);
    const int n = libusb_control_transfer(
        reinterpret_cast<libusb_device_handle*>(device), setup.requestType, setup.request,
        setup.value, setup.index, reinterpret_cast<unsigned char*>(done.data.data()), setup.length,
        unsigned(timeout.count()));
    if (n < 0) {
        done.status = n;
        done.statusText = errorText(n);
        done.data.clear();
    } else {
        done.data.truncate(n);
    }
    return done;
}

} // namespace scan::usb
