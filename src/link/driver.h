// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "request.h"

#include <array>

namespace scan {

// What a kind of scan tool can carry; a service asks these, never which scan tool it talks to.
struct Capabilities {
    bool severalEcus = false;    // answers of every ECU to one request
    bool severalPids = false;    // more than one PID in a request
    bool canTestResults = false; // on-board test results in their CAN form
    bool rawPassThrough = false; // the box's raw pass-through of a bus message
};

// One kind of scan tool behind the request model: it turns a request into what its wire wants,
// waits for the answer within its bounds, and judges it before handing on its bytes.
class Driver {
public:
    virtual ~Driver() = default;
    virtual ObdAnswer ask(const ObdRequest& request) = 0;
    virtual Capabilities capabilities() const = 0;

    // The raw pass-through's answer: the first 13 bytes of the bus message that came back.
    struct RawAnswer {
        Reply::Status status = Reply::Status::Late;
        // Refused because the scan tool cannot pass messages on to this (CAN) bus at all.
        bool notOnThisBus = false;
        std::array<quint8, 13> bytes{};
    };
    // One bus message passed on as it stands: the scan tool's header for its protocol, then the
    // service, test ID and component ID, `length` bytes in all. Refused where the scan tool
    // cannot pass messages on (capabilities().rawPassThrough false) or did not acknowledge.
    virtual RawAnswer passThrough(quint8 service, quint8 testId, quint8 componentId,
                                  int length) = 0;

    // What the scan tool says it is: its firmware as the window shows it ("V4.00", "ELM327
    // v1.5") and the firmware version that stands for; only an answered identity has them.
    struct Identity {
        Reply::Status status = Reply::Status::Late;
        QString caption;
        double version = 0;
    };
    virtual Identity identify() = 0;
    // Moves the scan tool on to the next ECU of the vehicle; its answer is not examined.
    virtual void nextEcu() = 0;
};

} // namespace scan
