// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <algorithm>
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

// A fault of some kind for the next `count` replies (-1: until cleared) to commands that start
// with `prefix` (empty: every command), once `after` of those commands were answered untouched.
template <typename Kind> struct Rule {
    Kind fault{};
    int count = -1;
    QByteArray prefix;
    int after = 0;
};
using FaultRule = Rule<Fault>;

// NAME[:COUNT[:PREFIX[:AFTER]]] taken apart: an empty or missing COUNT means until cleared,
// PREFIX is up to six hex digits, AFTER how many of its commands pass first (0 when missing).
// Nothing, and why in `error`, when one of them is malformed.
struct RuleText {
    QString name;
    int count = -1;
    QByteArray prefix; // upper-case
    int after = 0;
};
std::optional<RuleText> splitRule(const QString& text, QString* error);

// Reads NAME[:COUNT[:PREFIX[:AFTER]]] with one of the names above.
std::optional<FaultRule> parseFaultRule(const QString& text, QString* error = nullptr);

// Pending rules in the order they were added. Each reply takes the first one whose prefix its
// command starts with.
template <typename Kind> class RulePlan {
public:
    void add(Rule<Kind> rule) {
        if (rule.count == 0 || rule.count < -1)
            return;
        rule.prefix = rule.prefix.toUpper();
        pending_.push_back(std::move(rule));
    }
    void clear() { pending_.clear(); }
    std::optional<Kind> take(const QByteArray& command) {
        const auto it = std::find_if(pending_.begin(), pending_.end(), [&](const Rule<Kind>& r) {
            return command.startsWith(r.prefix);
        });
        if (it == pending_.end())
            return std::nullopt;
        if (it->after > 0) {
            --it->after;
            return std::nullopt;
        }
        const Kind fault = it->fault;
        if (it->count > 0 && --it->count == 0)
            pending_.erase(it);
        return fault;
    }
    const std::vector<Rule<Kind>>& pending() const { return pending_; }

private:
    std::vector<Rule<Kind>> pending_;
};

class FaultPlan : public RulePlan<Fault> {
public:
    // An unscoped silence keeps even the idle markers back.
    bool silencesMarkers() const;
};

} // namespace sim
