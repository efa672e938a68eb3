#pragma once

#include "core/prompter.h"
#include "event_pump.h"
#include "link_state.h"
#include "link_view.h"
#include "timing.h"
#include "transport.h"

#include <QPointer>

#include <chrono>
#include <functional>

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

    void setTransport(Transport* transport);
    Transport* transport() const { return transport_; }

    void OBDwait();
    // What the last ready wait saw.
    enum class Ready { Vehicle, NoVehicle, NoAnswer, Ended };
    Ready lastReady() const { return lastReady_; }
    QString OBDinput();
    int OBDoutput(const QString& strOUT);
    int OBDinbuffercount();

    // Waits until more than `threshold` characters have arrived; false when the vehicle link is
    // down, the wait was cancelled or the reply timeout passed.
    bool awaitReply(int threshold);
    // awaitReply, then the reply text; the empty text when no complete reply came.
    QString readReply(int threshold);
    // One request as the services make it: ready wait, drain, send, wait for more than
    // `threshold` characters (or the vehicle link going down, or the timeout), and all the input
    // then waiting, echoed in debug mode.
    QString request(const QString& command, int threshold);
    // Echoes a raw reply into the status text window in debug mode.
    void echo(const QString& reply);

    // One step of a wait.
    void pumpEvents();
    std::chrono::milliseconds replyTimeout() const { return settings_.replyTimeout; }
    qint64 now() const { return settings_.ticks(); }

    // Ends every wait at once; the next operation starts afresh unless the program is closing.
    void cancel() { cancelled_ = true; }
    void shutDown();
    bool cancelled() const { return cancelled_ || closing_; }
    bool lost() const { return lost_; }

    // Requests the ECU did not answer (timed out, or answered with its no-answer marker), for
    // the headless report's verdict.
    void noteUnanswered() { ++unanswered_; }
    int unanswered() const { return unanswered_; }

    // Only one operation talks to the scan tool at a time.
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

private:
    void fail(const QString& message);

    LinkState& state_;
    LinkView& view_;
    core::Prompter& prompter_;
    Settings settings_;
    EventPump pump_;
    QPointer<Transport> transport_;
    bool busy_ = false;
    bool cancelled_ = false;
    bool closing_ = false;
    bool lost_ = false;
    Ready lastReady_ = Ready::Ended;
    int unanswered_ = 0;
};

} // namespace scan
