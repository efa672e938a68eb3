// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "box_exchange.h"
#include "link/driver.h"

namespace scan::box {

// The six-character command that carries a request to the box, e.g. "010C07": service, PID and
// the length of the reply frame with its three header bytes. Services without a PID carry the
// length twice ("030A0A"); the O2 sensor tests carry test ID and sensor instead ("050110").
// `threshold` is how many characters of the reply must have come before it can be judged.
struct BoxCommand {
    QString text;
    int frameBytes = 0;
    int threshold = 0;
};
BoxCommand boxCommand(const ObdRequest& request);

// The box's judged reply as an answer: the answering ECU is the header's third byte, the data
// what follows the header. Trouble codes are gathered from every frame of the reply, a frame
// that repeats an earlier one left out; the box's "nothing to report" has no ECU.
ObdAnswer answerOf(const BoxCommand& command, const Reply& reply);

// The first two header bytes of a pass-through message for the protocol digit the box
// acknowledged with: by its low four bits, 4 gives $61 $6A, 8 gives $C3 $33, anything else
// $68 $6A.
std::array<quint8, 2> protocolHeader(QChar digit);

// The 14-byte pass-through command: $01, the message length (header and data bytes), the
// header, the service, the test ID, the component ID, and zeros to the end.
QByteArray passThroughCommand(const std::array<quint8, 3>& header, quint8 service, quint8 testId,
                              quint8 componentId, int length);

// The Vamrick scan tool box, over whatever transport the link has (serial, USB or the demo's
// in-process one): the ready wait, the command, the reply frame with its lead characters and
// checksum. A reply out of step or garbled is asked again, a few times at most.
class BoxDriver : public Driver {
public:
    BoxDriver(ScanToolLink& link, LinkView& view) : link_(link), view_(view), wire_(link, view) {}

    ObdAnswer ask(const ObdRequest& request) override;
    Capabilities capabilities() const override;
    void onePidARequest() override {} // the box never carries several
    // Over a serial port: the ready markers as they come, yellow "Waiting for ECU" for "P", red
    // "ECU Off-Line" once silent for the reply timeout. Over USB: two ready polls.
    Start start(std::optional<std::chrono::milliseconds> limit) override;
    std::optional<AnswerStatus> awaitVehicle() override;
    // Enters pass-through mode ("F00504"; the box acknowledges with "A" and its protocol digit),
    // then sends the message. The answer is whole with its 14th byte, the checksum of the 13
    // before it.
    RawAnswer passThrough(quint8 service, quint8 testId, quint8 componentId, int length) override;
    // "900101": the box answers with its version number.
    Identity identify() override;
    // "800204".
    void nextEcu() override;

private:
    Start waitForMarkers(std::optional<std::chrono::milliseconds> limit);

    ScanToolLink& link_;
    LinkView& view_;
    BoxExchange wire_;
};

} // namespace scan::box
