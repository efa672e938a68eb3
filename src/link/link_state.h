// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace scan {

// What the program knows about the scan-tool link.
struct LinkState {
    bool NoVehicleLink = false; // last ready marker said the vehicle cannot be reached
    bool DebugMode = false;     // echo raw replies into the status window
    double FirmwareVersion = 0; // scan tool firmware, 0 until queried
    int ComPortNumber = 0;      // COM5-COM9 pick of the port chooser
};

} // namespace scan
