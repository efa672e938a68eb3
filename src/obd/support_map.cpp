// SPDX-License-Identifier: GPL-3.0-or-later
#include "support_map.h"

#include "decoders.h"

namespace obd {

SupportAction supportAction(int pid) {
    switch (pid) {
    case 0x01:
        return SupportAction::MonitorStatus;
    case 0x02:
        return SupportAction::FreezeFrameCode;
    case 0x03:
        return SupportAction::FuelSystemStatus;
    case 0x06:
    case 0x07:
    case 0x08:
    case 0x09:
        return SupportAction::FuelTrim;
    case 0x10:
        return SupportAction::AirFlowAndEconomy;
    case 0x12:
        return SupportAction::SecondaryAir;
    case 0x13:
    case 0x1D:
        return SupportAction::O2SensorLocations;
    case 0x1C:
        return SupportAction::ObdStandard;
    case 0x1F:
        return SupportAction::TimeSinceStart;
    case 0x20:
        return SupportAction::NextRange20;
    case 0x40:
        return SupportAction::NextRange40;
    default:
        return Decoders::decodes(pid) && pid != kFuelEconomyCode ? SupportAction::Line
                                                                 : SupportAction::Nothing;
    }
}

} // namespace obd
