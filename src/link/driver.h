// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "request.h"

#include <QString>

#include <array>
#include <chrono>
#include <optional>

namespace scan {

// What a kind of scan tool can carry; a service asks these, never which scan tool it talks to.
struct Capabilities {
    bool severalEcus = false;    // answers of every ECU to one request
    bool severalPids = false;    // up to six PIDs of service $01 in a request
    bool canTestResults = false; // on-board test results in their CAN form
    bool rawPassThrough = false; // the box's raw pass-through of a bus message
    // Service $09, vehicle information; when the scan tool cannot carry it, why not.
    bool vehicleInformation = false;
    QString noVehicleInformation;
};

// One kind of scan tool behind the request model: it turns a request into what its wire wants,
// waits for the answer within its bounds, and judges it before handing on its bytes.
class Driver {
public:
    virtual ~Driver() = default;
    virtual ObdAnswer ask(const ObdRequest& request) = 0;
    virtual Capabilities capabilities() const = 0;
    // The vehicle left a PID out of an answer to several that it answers alone: one PID a
    // request from now on, until the next connection starts.
    virtual void onePidARequest() = 0;

    // How waiting for the vehicle at the start of a connection ended.
    struct Start {
        bool reached = false;
        // Why not, when the driver can say more than that the wait ended.
        QString reason;
    };
    // Waits, on a transport just opened, until the scan tool reaches the vehicle, and shows each
    // sign of it as it comes. Without a limit the wait lasts until the vehicle answers or the
    // user stops it.
    virtual Start start(std::optional<std::chrono::milliseconds> limit) = 0;
    // The wait a request starts with: nothing when the vehicle can be asked now, otherwise why
    // not (NoVehicle, Lost or Stopped).
    virtual std::optional<AnswerStatus> awaitVehicle() = 0;

    // The raw pass-through's answer: the first 13 bytes of the bus message that came back.
    struct RawAnswer {
        AnswerStatus status = AnswerStatus::Late;
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
        AnswerStatus status = AnswerStatus::Late;
        QString caption;
        double version = 0;
        // The vehicle bus as an adapter numbers it once it found it (ATDPN: "6" for 11-bit CAN
        // at 500 kbaud); empty where the scan tool does not say.
        QString protocol;
    };
    virtual Identity identify() = 0;
    // Moves the scan tool on to the next ECU of the vehicle; its answer is not examined.
    virtual void nextEcu() = 0;
};

} // namespace scan
