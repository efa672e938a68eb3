// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/usb/usb_packets.h"
#include "user_choices.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>
#include <utility>

namespace app {

// One on-board monitoring test of the report, as typed into the window's boxes; on CAN a monitor,
// by its ID alone.
struct Mode6Request {
    bool monitor = false; // `testId` holds a monitor ID, and there is no component
    QString testId;
    QString componentId;
    QString scale = QStringLiteral("1");
    QString units;
};

struct Options {
    bool demo = false;    // the simulated vehicle stands in for the scan tool
    bool demoUsb = false; // ... and is reached over (simulated) USB
    QString demoProfile;  // the simulated vehicle's profile file; empty: the built-in one
    // The scan tool's USB identity; given, the report connects by USB.
    std::optional<scan::usb::Identity> usb;
    bool report = false;          // print the window's contents as text instead of showing it
    bool metric = false;          // start in metric units
    bool readCodesAnyway = false; // the report reads codes even when the MIL is off without codes
    bool clearCodes = false;      // the report clears the codes before reading them
    // The report also writes what the car answered, every ECU's, as a simulator profile, the
    // VIN made up when anonymous.
    QString captureFile;
    bool captureAnonymous = false;
    QString definitionsFile;
    QList<std::pair<int, QString>> comDevices; // --com N=DEVICE, in the order given
    std::chrono::milliseconds replyTimeout{5000};
    // Logging without a window: the file, the items (description beginnings), the sample
    // interval as typed, and the number of samples (nothing: until stopped or the cap).
    QString logFile;
    QStringList logItems;
    QString logInterval = QStringLiteral("0.100");
    std::optional<int> logSamples;
    // The wide-range O2 sensor log without a window (its sample count is logSamples too).
    QString wbo2LogFile;
    // A data log drawn into a PNG picture of plotSize without a window, then exit.
    QString plotFile;
    QString plotPicture;
    QSize plotSize{1200, 600};
    // The report's on-board monitoring tests: one scan for the supported tests, then each request
    // in the order given.
    bool mode6Scan = false;
    QList<Mode6Request> mode6Requests;
    // What is on the COM port; nothing: the window's saved choice, the box for a report.
    std::optional<Adapter> adapter;
    int elmBaud = 38400; // the ELM327 adapter's first line speed
    QString traceFile;   // where every exchange is written; empty: nowhere
};

// The outcome of reading the command line: options to run with, or text to print and an exit code.
struct ParsedCommandLine {
    std::optional<Options> options;
    QString output;
    int exitCode = 0;
};

ParsedCommandLine parseCommandLine(const QStringList& arguments);

// What --version prints: "vamrick 3.40 (a1b2c3d)", the git revision the program was built from.
QString versionLine();

} // namespace app
