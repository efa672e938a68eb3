// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace obd {

// What a set bit of a support bitmap makes the survey do for its PID.
enum class SupportAction {
    Nothing,
    Line,              // decode and add a vehicle data line, item code = PID
    MonitorStatus,     // MIL and readiness text
    FreezeFrameCode,   // the code that stored the freeze frame; none stops PIDs $03-$08
    FuelSystemStatus,  // fuel system text
    FuelTrim,          // fuel trim text, and the trim counts as supported
    SecondaryAir,      // secondary air status text
    O2SensorLocations, // number of O2 sensors
    ObdStandard,       // "OBDII"
    TimeSinceStart,    // decoded, no line
    AirFlowAndEconomy, // air flow line, then fuel economy while air flows
    NextRange20,       // survey of PIDs $21-$40
    NextRange40,       // survey of PIDs $41-$60
};

SupportAction supportAction(int pid);

} // namespace obd
