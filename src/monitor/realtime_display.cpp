// SPDX-License-Identifier: GPL-3.0-or-later
#include "realtime_display.h"

#include "core/number_text.h"

namespace monitor {

void RealtimeDisplay::begin() {
    decoder_.useCurrentData();
}

RealtimeFrame RealtimeDisplay::pass(int code, const DisplayItem& item) {
    const obd::Reading reading = decoders_.read(code);
    RealtimeFrame frame;
    frame.description = displayDescription(item, reading);
    frame.lower = item.lower;
    frame.upper = item.upper;
    // The axis is titled by the units; the third O2 sensor's by its description, as always.
    frame.yTitle = code == 22 ? reading.label : reading.units;
    if (!reading.answered()) {
        frame.valueText = scan::noAnswerText(reading.answer, reading.name());
        return frame;
    }
    frame.valueText = displayText(item, reading);
    frame.point = core::leadingNumber(reading.value);
    return frame;
}

} // namespace monitor
