#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace sim {

// What can go wrong with one reply. (An unreachable vehicle is a state of its own, see
// ScanToolSimulator::setReachable.)
enum class Fault {
    EcuTimeout,    // "S" second, full length
    ExtraLeadingS, // "S" in front of the reply
    OutOfStepS,    // "S" third, full length
    Garbage,       // the reply's length of arbitrary bytes 0-255, NUL included
    Silence,       // no reply; no markers either while an unscoped silence is pending
    Disconnect,    // the device vanishes instead of replying
    Cut,           // the reply's first five characters, then markers again
    WrongReply,    // the reply to another request, at the asked length
    Refuse,        // the ECU's negative response to a vehicle request: 7F, the service, $12
    // Damage that only the checksum of a service's frame reveals; the box's own replies, which
    // carry none, are left alone.
    DropChar,  // one character of the frame lost
    FlipDigit, // one hex digit of the frame changed into another
    Repeat,    // the frame sent twice, back to back
};

inline bool damagesFramesOnly(Fault fault) {
    return fault == Fault::DropChar || fault == Fault::FlipDigit || fault == Fault::Repeat;
}

// Names as the command line writes them: ecu-timeout, extra-leading-s, out-of-step-s, garbage,
// silence, disconnect, cut, wrong-reply, refuse, drop-char, flip-digit, repeat.
QString faultName(Fault fault);
// All of them, comma-separated, for messages.
QString faultNames();
std::optional<Fault> faultFromName(const QString& name);

// A fault for the next `count` replies (-1: until cleared) to commands that start with `prefix`
// (empty: every command).
struct FaultRule {
    Fault fault = Fault::EcuTimeout;
    int count = -1;
    QByteArray prefix;
};

// Reads NAME[:COUNT[:PREFIX]]; an empty or missing COUNT means until cleared.
std::optional<FaultRule> parseFaultRule(const QString& text, QString* error = nullptr);

// Pending faults in the order they were injected. Each reply takes the first one whose prefix
// its command starts with.
class FaultPlan {
public:
    void add(FaultRule rule);
    void clear() { pending_.clear(); }
    std::optional<Fault> take(const QByteArray& command);
    bool silencesMarkers() const;

private:
    std::vector<FaultRule> pending_;
};

} // namespace sim
