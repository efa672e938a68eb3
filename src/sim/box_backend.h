// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frames.h"

#include <QByteArray>

#include <functional>

namespace sim {

// What stands behind the box's wire: something that answers each command with the reply frame
// the box sends back. An answer may come at once or later; the box gives up on one that takes too
// long and ignores it if it still comes.
class BoxBackend {
public:
    using Done = std::function<void(const QByteArray& reply)>;
    virtual ~BoxBackend() = default;

    // `seconds` is the box's clock, for values that move. `done` runs at most once.
    virtual void answer(const Command& command, double seconds, Done done) = 0;
    // The raw answer to the 14 bytes that follow an acknowledged pass-through.
    virtual void answerPassThrough(const QByteArray& command, Done done) = 0;

    // The reply of a request the ECU does not answer.
    virtual QByteArray unanswered(const Command& command) const = 0;
    // The reply of a request whose answer came damaged, or too late.
    virtual QByteArray damaged(const Command& command) const = 0;
    // The current ECU's negative response to the request: 7F, the service and the reason code.
    virtual QByteArray refusal(const Command& command, quint8 reason) const = 0;
    // Whether the vehicle answers at all: the box's idle marker is "S", otherwise "P".
    virtual bool reachable() const = 0;
    // A backend still getting ready keeps the box's markers back.
    virtual bool awake() const { return true; }
    virtual quint8 currentEcuAddress() const = 0;
};

} // namespace sim
