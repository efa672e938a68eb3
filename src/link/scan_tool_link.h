// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"
#include "event_pump.h"
#include "link_state.h"
#include "link_view.h"
#include "reply.h"
#include "timing.h"
#include "transport.h"
#include "wait.h"

#include <QPointer>

#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>

namespace scan {

// Two hexadecimal characters as 0..255: characters below "0" count as 0, lower-case letters and
// other characters above "F" give 128, the empty text reads as "00" (and is set to it).
int conv_hex(QString& Hex1);
int conv_hex(const QString& Hex1);

// The command exchange with the scan tool: ready wait, input, output, counting, and the bounds
// that keep a silent or vanished scan tool from freezing the program.
class ScanToolLink : public QObject {
    Q_OBJECT
public:
    struct Settings {
        std::chrono::milliseconds replyTimeout{5000};
        TickSource ticks = monotonicTicks;
        std::function<void()> pump; // empty: sleep in the event loop
    };

    ScanToolLink(LinkState& state, LinkView& view, core::Prompter& prompter, Settings settings);
    ScanToolLink(LinkState& state, LinkView& view, core::Prompter& prompter);

    // `where` names the port for the user, e.g. "Com1 (/dev/ttyUSB0)".
    void setTransport(Transport* transport, const QString& where = {});
    Transport* transport() const { return transport_; }

    // What a ready wait saw.
    enum class Ready { Vehicle, NoVehicle, NoAnswer, Ended };
    // Waits for a fresh sign of readiness (a ready marker, or on USB a ready poll) and leaves the
    // outcome in NoVehicleLink and the box colour. Silence is not judged here: the connection
    // waits on through it.
    Ready OBDwait();
    QString OBDinput();
    int OBDoutput(const QString& strOUT);
    int OBDinbuffercount();
    // The serial port is the transport (not USB); also before any connection.
    bool ComPortActive() const;

    // What the scan tool has said about reaching the vehicle since it was last asked: the
    // markers that have arrived, or the answer to a ready poll.
    ReadyState readyNow();
    // Forgets what came before, so that only a fresh sign of readiness counts.
    void forgetReady();

    // The ready wait a request starts with: nothing when the vehicle can be asked, otherwise the
    // reply that says why not. A scan tool without a ready marker for the reply timeout is lost.
    std::optional<Reply> awaitVehicle();
    using Judge = Reply (*)(const QString& command, int threshold, const QString& text);
    // Drains, sends and waits for more than `threshold` characters, and for a service's whole
    // frame with its checksum, until the deadline (by default the reply timeout), and judges
    // what came. The wait ends at once while
    // NoVehicleLink is set, as after a "P" marker.
    Reply exchange(const QString& command, int threshold,
                   const std::optional<Deadline>& deadline = std::nullopt, Judge judge = Reply::of);
    // The ready wait, then the exchange.
    Reply request(const QString& command, int threshold);
    // The raw pass-through exchange: drains, sends the 14-byte command with the transport's
    // pass-through, waits as exchange() does for more than `threshold` bytes and hands them back
    // as they came (Reply::bytes()).
    Reply passThrough(const QByteArray& frame, int threshold);

    // Every wait of the operation under way: over this link's event pump, ended by a stop of
    // that operation or by the scan tool being lost.
    WaitEnd wait(const std::function<bool()>& condition, const Deadline& deadline);
    Deadline replyDeadline() const {
        return Deadline::after(settings_.ticks, settings_.replyTimeout);
    }
    std::chrono::milliseconds replyTimeout() const { return settings_.replyTimeout; }
    qint64 now() const { return settings_.ticks(); }

    // Stops the operation under way (nothing when none runs); the next one starts afresh.
    void cancel();
    // Every wait ends from now on: the program is closing.
    void shutDown();
    bool stopRequested() const { return stop_.stop_requested(); }
    bool lost() const { return lost_; }

    // Requests that were not answered, for the headless report's verdict.
    void noteUnanswered() { ++unanswered_; }
    int unanswered() const { return unanswered_; }

    // Only one operation talks to the scan tool at a time; a stop belongs to one operation.
    bool busy() const { return busy_; }
    class Operation {
    public:
        explicit Operation(ScanToolLink& link);
        ~Operation();
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;
        // False when another operation was running: this one must not start.
        bool started() const { return started_; }

    private:
        ScanToolLink& link_;
        bool started_;
    };

    LinkState& state() { return state_; }

signals:
    // The scan tool is gone: its port failed or vanished, or it stopped sending ready markers.
    void scanToolLost();

private:
    // Everything received and not yet taken; nothing (and the scan tool lost) when the device
    // could not be read.
    std::optional<QByteArray> takeInput();
    // Waits until the reply is complete: nothing when it is, otherwise the reply that says why
    // not.
    std::optional<Reply> awaitReply(const std::function<bool()>& complete,
                                    const Deadline& deadline);
    void declareLost(const QString& problem, const QString& reason = {});
    // A fresh stop for the next operation; already requested once the program is closing.
    void renewStop();

    LinkState& state_;
    LinkView& view_;
    core::Prompter& prompter_;
    Settings settings_;
    EventPump pump_;
    QPointer<Transport> transport_;
    QString where_;
    std::stop_source stop_;
    bool busy_ = false;
    bool closing_ = false;
    bool lost_ = false;
    int unanswered_ = 0;
};

} // namespace scan
