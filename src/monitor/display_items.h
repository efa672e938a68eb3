// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "obd/reading.h"

#include <optional>

namespace monitor {

// How a live view shows one item (by item code: the PID number, 18 for fuel economy): the
// chart's Y range and the text of its value box. Shared by the real-time display and the logger.
struct DisplayItem {
    enum class Text {
        Formatted,  // the value in the item's format, then the units
        Hundredths, // the value / 100 in the item's format (which shows a percent), no units
        Raw,        // the value text as decoded, then the units
    };
    double lower;
    double upper;
    Text text;
    const char* format;
    bool wideRange; // a wide-range O2 sensor: its own description
};

// Nothing for codes without a live view ("No Data Selected").
std::optional<DisplayItem> displayItem(int code);

// The value box's text for an answered reading.
QString displayText(const DisplayItem& item, const obd::Reading& reading);

// The description shown above the value.
QString displayDescription(const DisplayItem& item, const obd::Reading& reading);

} // namespace monitor
