// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/link_view.h"

namespace obd {

// The main-window controls a survey fills and switches.
class SurveyView : public virtual scan::LinkView {
public:
    virtual void clearDataList() = 0;
    virtual void addDataLine(const QString& line) = 0;
    virtual void setDataListColour(const QColor& colour) = 0;
    virtual void setEcuAddressCaption(const QString& caption) = 0;
    virtual void setDataLogMenuEnabled(bool enabled) = 0;
    virtual void setAirFuelMenuEnabled(bool enabled) = 0;
    virtual void setFuelTrimMenuEnabled(bool enabled) = 0;
    // The wide-range O2 sensor log needs the sensor at PID $34.
    virtual void setWideRangeLogMenuEnabled(bool enabled) = 0;
    virtual void colourStatusText() = 0;
};

} // namespace obd
