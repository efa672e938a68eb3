// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuel_trim_monitor.h"

#include "core/number_text.h"

#include <array>
#include <vector>

namespace monitor {

namespace {

struct Trim {
    int pid;
    const char* label;
    bool obd::SurveyState::*supported;
};

const std::array<Trim, kFuelTrimCount> kTrims{{
    {0x06, "Short Term Fuel Trim B1---- ", &obd::SurveyState::STFTB1Supported},
    {0x07, "Long  Term Fuel Trim B1---- ", &obd::SurveyState::LTFTB1Supported},
    {0x08, "Short Term Fuel Trim B2---- ", &obd::SurveyState::STFTB2Supported},
    {0x09, "Long  Term Fuel Trim B2 ---- ", &obd::SurveyState::LTFTB2Supported},
}};

QString label(int trim) {
    return QLatin1String(kTrims[trim].label);
}

} // namespace

QString fuelTrimText(int trim, int A) {
    const double percent = double(core::wholePart(A / 128.0 * 100) - 100);
    return label(trim) + core::numberText(percent) + QStringLiteral("%");
}

QString unsupportedFuelTrimText(int trim) {
    return label(trim) + QStringLiteral(" not reported");
}

bool FuelTrimMonitor::supported(int trim) const {
    return survey_.*kTrims[trim].supported;
}

bool FuelTrimMonitor::anySupported() const {
    for (int trim = 0; trim < kFuelTrimCount; ++trim)
        if (supported(trim))
            return true;
    return false;
}

QList<FuelTrimLine> FuelTrimMonitor::pass() {
    std::vector<int> pids;
    for (int trim = 0; trim < kFuelTrimCount; ++trim) {
        if (supported(trim))
            pids.push_back(kTrims[trim].pid);
    }
    const obd::AskedAhead ahead(request_, pids);
    QList<FuelTrimLine> lines;
    for (int trim = 0; trim < kFuelTrimCount; ++trim) {
        if (!supported(trim))
            continue;
        // Always current data, one data byte, whatever survey ran last.
        const scan::ObdAnswer reply =
            request_.askPid(QStringLiteral("01"), obd::pidText(kTrims[trim].pid), 1);
        lines.append({trim, reply.answered() ? fuelTrimText(trim, reply.byte(2))
                                             : label(trim) + QStringLiteral(" No answer")});
    }
    return lines;
}

} // namespace monitor
