// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "elm_adapter.h"
#include "elm_lines.h"
#include "link/driver.h"
#include "link/link_view.h"
#include "link/scan_tool_link.h"

#include <chrono>
#include <optional>
#include <vector>

namespace scan::elm {

class ElmPort;

// An ELM327-class adapter behind the request model. The adapter is the link's port (ElmPort);
// each request goes out as its OBD bytes in hex and each answer is read from the adapter's lines:
// the messages of every ECU that answered, checked to their last byte, the current ECU's first.
// The current ECU is the lowest address that answered the first support request, until the ECU
// switch picks the next one (and, on CAN, sets the adapter's header and filter to it).
//
// Answers take the forms the services read whatever the scan tool: trouble codes as one response
// id followed by two bytes a code, each code once, in groups of three filled with empty codes,
// one such answer for every ECU that answered (asked of all ECUs even after the switch); O2
// sensor test results as the response id ($46 for the support map and service $06), the test ID
// and the value, without the sensor.
// What the adapter says instead of data reaches the user in its own words; a bus that stays in
// error (CAN ERROR, BUS ERROR or BUS BUSY on three requests in a row) ends the operation as a
// vehicle out of reach does.
class ElmDriver : public Driver {
public:
    ElmDriver(ScanToolLink& link, LinkView& view) : link_(link), view_(view) {}

    ObdAnswer ask(const ObdRequest& request) override;
    // Several PIDs a request on CAN, until the vehicle is found to leave out PIDs it answers.
    Capabilities capabilities() const override;
    void onePidARequest() override { onePid_ = true; }
    // Starts the adapter, then searches for the vehicle's bus until an ECU answers: yellow
    // "Waiting for ECU" while the adapter finds none.
    Start start(std::optional<std::chrono::milliseconds> limit) override;
    std::optional<AnswerStatus> awaitVehicle() override;
    // Only the non-CAN form of the on-board test results is the one the program reads: on CAN
    // the pass-through is refused, as not on this bus.
    RawAnswer passThrough(quint8 service, quint8 testId, quint8 componentId, int length) override;
    // The adapter's identity, standing for firmware 4.00: it does all the box's newest does.
    Identity identify() override;
    void nextEcu() override;

private:
    // Sends one command and waits for the adapter's answer; the adapter bounds it by its reply
    // timeout, or by `timeout` when given. The user's stop is Stopped with nothing said.
    ElmAnswer send(const QByteArray& command,
                   std::optional<std::chrono::milliseconds> timeout = std::nullopt);
    // An OBD request in hex and the messages that answer it.
    struct Exchange {
        ElmAnswer answer;
        ElmMessages found;
    };
    Exchange askAdapter(const QByteArray& obd,
                        std::optional<std::chrono::milliseconds> timeout = std::nullopt);
    ObdAnswer answerOf(const ObdRequest& request, const Exchange& exchange);
    // A request whose answer came damaged is asked again, up to three times in all.
    ObdAnswer askAgainWhenDamaged(const ObdRequest& request);
    // On CAN: the adapter's header and filter for the ECU the switch chose, or for every ECU.
    void addressChosenEcu();
    void addressAllEcus();
    // The first vehicle request, which searches for the bus: false while the adapter finds none.
    bool search();
    // The ECUs a support answer shows whole join those known; the lowest becomes the current one
    // until the ECU switch has chosen.
    void noteEcus(const ElmMessages& found);
    // The current ECU's message; when none is current yet, the lowest address of an answer without
    // damage becomes it.
    std::optional<QByteArray> currentData(const ElmMessages& found);
    // The current ECU's messages first, then the others'.
    QList<EcuAnswer> ordered(const ElmMessages& found) const;
    // The bus is CAN, as far as the adapter has said.
    bool onCan() const { return framing_ && isCan(*framing_); }
    ElmAdapter* adapter() const;

    ScanToolLink& link_;
    LinkView& view_;
    ElmPort* port_ = nullptr; // the port the driver last started on
    std::optional<ElmFraming> framing_;
    bool vehicleMissing_ = false;
    std::optional<quint8> ecu_;
    bool ecuChosen_ = false;
    std::vector<quint8> ecus_;
    int busErrors_ = 0; // requests in a row the adapter answered with a bus in error
    bool onePid_ = false;
};

} // namespace scan::elm
