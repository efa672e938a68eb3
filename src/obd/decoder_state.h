// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace obd {

// Result of the last decoder and the service it asked.
struct DecoderState {
    bool MetricUnits = false;
    QString PIDValue;
    QString PIDUnits;
    QString PIDLabel;
    double PIDNumeric = 0;
    QString PIDMode = QStringLiteral("01");
    int PIDOffset = 0;

    // Requests ask for current data (service $01), whose data follow the PID directly.
    void useCurrentData() {
        PIDMode = QStringLiteral("01");
        PIDOffset = 0;
    }
};

} // namespace obd
