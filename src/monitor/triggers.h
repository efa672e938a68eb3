// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTime>

#include <functional>
#include <optional>

namespace monitor {

// A start condition of the logger: the minute of the time of day, or the vehicle speed or engine
// speed reaching a threshold.
struct Trigger {
    enum class Kind { None, SystemTime, Speed, Rpm };
    Kind kind = Kind::None;
    int value = 0;
};

// What the condition needs to know now. Speed and engine speed are nothing while unanswered:
// an unanswered reading never starts a log.
struct TriggerInputs {
    std::function<QTime()> now;
    std::function<std::optional<double>()> speed;
    std::function<std::optional<double>()> rpm;
};

// Trigger 1 alone, or combined with trigger 2: AND waits for both, OR for either; a trigger 2 of
// "None" leaves trigger 1 alone, and without a trigger 1 the log starts at once.
struct StartCondition {
    enum class Combination { None, And, Or };
    Trigger first;
    Trigger second;
    Combination combination = Combination::None;

    bool holds(const TriggerInputs& inputs) const;
};

// The threshold prompt's range check: a number from 0 to the upper bound of the trigger kind.
struct ThresholdRange {
    const char* prompt;
    int upper;
    const char* outOfRange;

    // The entered threshold rounded to a whole number; nothing for text that is no number or
    // lies outside the range.
    std::optional<int> accept(const QString& text) const;
};
ThresholdRange thresholdRange(Trigger::Kind kind);

} // namespace monitor
