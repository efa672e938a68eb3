// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "display_items.h"
#include "obd/decoders.h"

#include <optional>

namespace monitor {

// What one pass of the real-time display shows.
struct RealtimeFrame {
    QString description;
    QString valueText;
    QString yTitle;
    double lower = 0;
    double upper = 0;
    std::optional<double> point; // nothing when the request went unanswered
};

// The real-time display's logic: one item, read as current data again and again.
class RealtimeDisplay {
public:
    RealtimeDisplay(obd::Decoders& decoders, obd::DecoderState& decoder)
        : decoders_(decoders), decoder_(decoder) {}

    // Live views ask for current data, also right after a freeze-frame read.
    void begin();
    RealtimeFrame pass(int code, const DisplayItem& item);

private:
    obd::Decoders& decoders_;
    obd::DecoderState& decoder_;
};

} // namespace monitor
