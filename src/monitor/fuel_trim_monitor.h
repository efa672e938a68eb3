// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "obd/decoders.h"
#include "obd/survey_state.h"

#include <QList>

namespace monitor {

// The four fuel trims in the monitor's order: short and long term of bank 1, then of bank 2.
constexpr int kFuelTrimCount = 4;

// A fuel trim's line as the monitor shows it: the trim (0-3) and its text.
struct FuelTrimLine {
    int trim = 0;
    QString text;
};

// The text of a trim whose data byte is A, e.g. "Short Term Fuel Trim B1----  1%".
QString fuelTrimText(int trim, int A);
// The line of a trim the vehicle does not report.
QString unsupportedFuelTrimText(int trim);

// The fuel trim monitor's logic: each pass asks for the trims the survey found supported, and
// only for those.
class FuelTrimMonitor {
public:
    FuelTrimMonitor(obd::PidRequest& request, const obd::SurveyState& survey)
        : request_(request), survey_(survey) {}

    bool supported(int trim) const;
    bool anySupported() const;
    QList<FuelTrimLine> pass();

private:
    obd::PidRequest& request_;
    const obd::SurveyState& survey_;
};

} // namespace monitor
