// SPDX-License-Identifier: GPL-3.0-or-later
#include "triggers.h"

#include "core/number_text.h"

#include <cmath>

namespace monitor {

namespace {
bool holds(const Trigger& trigger, const TriggerInputs& inputs) {
    switch (trigger.kind) {
    case Trigger::Kind::None:
        return true;
    case Trigger::Kind::SystemTime:
        return inputs.now().minute() == trigger.value;
    case Trigger::Kind::Speed:
        if (const std::optional<double> speed = inputs.speed())
            return *speed >= trigger.value;
        return false;
    case Trigger::Kind::Rpm:
        if (const std::optional<double> rpm = inputs.rpm())
            return *rpm >= trigger.value;
        return false;
    }
    return false;
}
} // namespace

bool StartCondition::holds(const TriggerInputs& inputs) const {
    if (first.kind == Trigger::Kind::None)
        return true;
    if (combination == Combination::None || second.kind == Trigger::Kind::None)
        return monitor::holds(first, inputs);
    if (combination == Combination::And)
        return monitor::holds(first, inputs) && monitor::holds(second, inputs);
    return monitor::holds(first, inputs) || monitor::holds(second, inputs);
}

ThresholdRange thresholdRange(Trigger::Kind kind) {
    switch (kind) {
    case Trigger::Kind::SystemTime:
        // A clock's minute never reaches 60.
        return {"Enter Minutes (0-59)", 59, "Value must be 0-59"};
    case Trigger::Kind::Speed:
        return {"Enter Speed (1-120)", 120, "Value must be 1-120"};
    case Trigger::Kind::Rpm:
    case Trigger::Kind::None:
        break;
    }
    return {"Enter RPM (1-12,000)", 12000, "Value must be 1-12000"};
}

std::optional<int> ThresholdRange::accept(const QString& text) const {
    bool number = false;
    const double value = text.trimmed().toDouble(&number);
    if (!number || !std::isfinite(value))
        return std::nullopt;
    const long long whole = core::roundHalfEven(value);
    if (whole < 0 || whole > upper)
        return std::nullopt;
    return int(whole);
}

} // namespace monitor
