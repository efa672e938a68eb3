// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <chrono>
#include <functional>

namespace scan::usb {

// The scan tool's USB identity.
struct Identity {
    quint16 vendor = 0;
    quint16 product = 0;
    friend bool operator==(const Identity&, const Identity&) = default;
};

// "VID:PID" in hex, e.g. "16C0:05DC".
inline QString toText(const Identity& identity) {
    return QStringLiteral("%1:%2")
        .arg(identity.vendor, 4, 16, QLatin1Char('0'))
        .arg(identity.product, 4, 16, QLatin1Char('0'))
        .toUpper();
}

// A vendor control request, device to host, on the default pipe.
struct SetupPacket {
    static constexpr quint8 kVendorIn = 0xC0;
    quint8 requestType = kVendorIn;
    quint8 request = 0;
    quint16 value = 0;
    quint16 index = 0;
    quint16 length = 0;

    // The eight bytes as they go on the wire, little-endian fields.
    std::array<quint8, 8> bytes() const {
        return {requestType,    request,
                quint8(value),  quint8(value >> 8),
                quint8(index),  quint8(index >> 8),
                quint8(length), quint8(length >> 8)};
    }
};

// One finished control transfer: status 0 and the data stage, or the backend's error.
struct Transfer {
    int status = 0;
    QString statusText;
    QByteArray data;
    bool ok() const { return status == 0; }
};

// An accepted device, as the attach notice reports it.
struct Device {
    quintptr handle = 0;
    Identity identity;
};

// What the program needs of a USB stack: notices about the scan tool coming and going, and
// vendor control-in transfers to it.
class Backend {
public:
    struct Notices {
        // A matching device was found and claimed; false gives it back.
        std::function<bool(const Device&)> attached;
        std::function<void(quintptr handle)> detached;
        // A matching device was found but cannot be used; the text says why, for the user.
        std::function<void(const QString& why)> refused;
    };

    virtual ~Backend() = default;
    // Starts watching for devices of this identity. The notices arrive on the thread that calls
    // start(), from its event loop, never from inside start().
    virtual bool start(const Identity& identity, Notices notices, QString& error) = 0;
    // Gives back a device, e.g. once it has gone and nothing transfers to it any more.
    virtual void release(quintptr device) = 0;
    // Lets go of every device and of the stack.
    virtual void stop() = 0;
    // Blocks the calling thread (not the one that called start()) for at most `timeout`.
    virtual Transfer controlIn(quintptr device, const SetupPacket& setup,
                               std::chrono::milliseconds timeout) = 0;
};

} // namespace scan::usb
