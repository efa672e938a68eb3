// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"
#include "event_pump.h"
#include "link_state.h"
#include "link_view.h"
#include "timing.h"
#include "trace.h"
#include "transport.h"
#include "wait.h"

#include <QPointer>

#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>

namespace scan {

// The link to the scan tool, whatever kind it is: the transport, the one wait every exchange
// waits in, the operation under way and its stop, and the scan tool being lost. What goes over
// the wire is the driver's business.
class ScanToolLink : public QObject {
    Q_OBJECT
public:
    struct Settings {
        std::chrono::milliseconds replyTimeout{5000};
        TickSource ticks = monotonicTicks;
        std::function<void()> pump; // empty: sleep in the event loop
        Trace* trace = nullptr;     // where the drivers record what they send and receive
    };

    ScanToolLink(LinkState& state, LinkView& view, core::Prompter& prompter, Settings settings);
    ScanToolLink(LinkState& state, LinkView& view, core::Prompter& prompter);

    // `where` names the port for the user, e.g. "Com1 (/dev/ttyUSB0)".
    void setTransport(Transport* transport, const QString& where = {});
    Transport* transport() const { return transport_; }

    // Everything received and not yet taken; nothing (and the scan tool lost) when the device
    // could not be read, nothing at all without a transport or once lost.
    std::optional<QByteArray> takeInput();
    // The scan tool is gone: `problem`, when given, says what failed first, `reason` why the
    // device went away.
    void declareLost(const QString& problem, const QString& reason = {});

    // Every wait of the operation under way: over this link's event pump, ended by a stop of
    // that operation or by the scan tool being lost.
    WaitEnd wait(const std::function<bool()>& condition, const Deadline& deadline);
    Deadline replyDeadline() const {
        return Deadline::after(settings_.ticks, settings_.replyTimeout);
    }
    std::chrono::milliseconds replyTimeout() const { return settings_.replyTimeout; }
    qint64 now() const { return settings_.ticks(); }
    // Nothing when no trace is kept.
    Trace* trace() const { return settings_.trace; }

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
