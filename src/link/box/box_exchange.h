// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "box_reply.h"
#include "link/link_view.h"
#include "link/scan_tool_link.h"

#include <functional>
#include <optional>

namespace scan::box {

// The box's side of the link: its ready markers (or, over USB, its ready poll), its text commands
// and the collection of a reply until it is whole. Every wait is the link's, so each ends at the
// reply timeout, a stop, or the scan tool being lost.
class BoxExchange {
public:
    BoxExchange(ScanToolLink& link, LinkView& view) : link_(link), view_(view) {}

    // What a ready wait saw.
    enum class Ready { Vehicle, NoVehicle, NoAnswer, Ended };
    // Waits for a fresh sign of readiness and leaves the outcome in NoVehicleLink and the box
    // colour. Silence is not judged here: the connection waits on through it.
    Ready awaitReady();
    QString collectReply();
    int sendCommand(const QString& strOUT);
    int OBDinbuffercount();
    // The serial port is the transport (not USB); also before any connection.
    bool ComPortActive() const;

    // What the box has said about reaching the vehicle since it was last asked: the markers that
    // have arrived, or the answer to a ready poll.
    ReadyState readyNow();
    // Forgets what came before, so that only a fresh sign of readiness counts.
    void forgetReady();

    // The ready wait a request starts with: nothing when the vehicle can be asked, otherwise the
    // reply that says why not. A box without a ready marker for the reply timeout is lost.
    std::optional<Reply> awaitVehicle();
    using Judge = Reply (*)(const QString& command, int threshold, const QString& text);
    // Drains, sends and waits for more than `threshold` characters, and for a service's whole
    // frame with its checksum, until the deadline (by default the reply timeout), and judges
    // what came. The wait ends at once while NoVehicleLink is set, as after a "P" marker.
    Reply exchange(const QString& command, int threshold,
                   const std::optional<Deadline>& deadline = std::nullopt, Judge judge = Reply::of);
    // The ready wait, then the exchange.
    Reply request(const QString& command, int threshold);
    // The raw pass-through exchange: drains, sends the 14-byte command with the transport's
    // pass-through, waits as exchange() does for more than `threshold` bytes and hands them back
    // as they came (Reply::bytes()).
    Reply passThrough(const QByteArray& frame, int threshold);

private:
    // Waits until the reply is complete: nothing when it is, otherwise the reply that says why
    // not. What is drained after a late reply is added to `arrived`, for the trace.
    std::optional<Reply> awaitReply(const std::function<bool()>& complete, const Deadline& deadline,
                                    QString* arrived = nullptr);
    void traceSent(QByteArrayView bytes);
    void traceReceived(QByteArrayView bytes);

    ScanToolLink& link_;
    LinkView& view_;
};

} // namespace scan::box
