// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "usb_backend.h"

#include <QByteArrayView>

#include <optional>
#include <vector>

namespace scan::usb {

// The scan tool's vendor requests.
enum Request : quint8 {
    kReady = 9,       // byte 0 non-zero: ready for a command
    kReadBuffer = 10, // the reply characters received so far, at most kReadChunk
    kReadCount = 11,  // byte 0: reply characters waiting
    kCommandFirst = 12,
    kCommandSecond = 13,
    kCommandThird = 14, // only the 14-byte command uses it
    kCommandLast = 15,
};

constexpr quint16 kReadChunk = 32;

// The identity looked for unless --usb names another: the shared one for vendor-class devices
// driven through libusb.
constexpr Identity kDefaultIdentity{0x16C0, 0x05DC};
// "VID:PID", four hex digits at most each.
std::optional<Identity> parseIdentity(const QString& text);

SetupPacket requestPacket(Request request);
// A six-character command as requests 12, 13 and 15; nothing when it is shorter.
std::optional<std::vector<SetupPacket>> commandPackets(QByteArrayView command);
// The 14-byte pass-through command as requests 12 to 15; nothing when it is shorter.
std::optional<std::vector<SetupPacket>> passThroughPackets(QByteArrayView frame);

} // namespace scan::usb
