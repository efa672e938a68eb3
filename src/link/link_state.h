#pragma once

namespace scan {

// What the program knows about the scan-tool link.
struct LinkState {
    bool ComPortActive = true;  // serial port is the transport (false: USB)
    bool NoVehicleLink = false; // last ready marker said the vehicle cannot be reached
    bool DebugMode = false;     // echo raw replies into the status window
    double FirmwareVersion = 0; // scan tool firmware, 0 until queried
    int ComPortNumber = 0;      // COM5-COM9 pick of the port chooser
};

} // namespace scan
