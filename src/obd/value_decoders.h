// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <span>

namespace obd {

// Data bytes A-D of a reply.
struct DataBytes {
    int A = 0, B = 0, C = 0, D = 0;
};

// A scaled value: its text as shown, and its numeric companion for meters and charts.
struct Scaled {
    QString value;
    double numeric = 0;
};

// One row per PID: the request, the scaling in both unit systems, units and label. Every row asks
// the survey's service, so a freeze frame shows only what the frame holds.
struct ValueDecoder {
    int pid;
    const char* name;
    // Data bytes after the PID for current data; a freeze frame, read in the survey's service
    // $02, asks one more for its frame number.
    int dataBytes;
    Scaled (*scale)(const DataBytes& bytes, bool metric);
    const char* metricUnits;
    const char* englishUnits;
    const char* label;
};

std::span<const ValueDecoder> valueDecoders();
// The row of a PID that has a plain value decoder, or null.
const ValueDecoder* valueDecoder(int pid);

// Item code of the computed fuel economy line.
constexpr int kFuelEconomyCode = 18;

// Lambda of a wide-range O2 sensor from its first two data bytes.
double lambdaOf(int A, int B);
// Sensor current in milliamperes from the third and fourth data bytes.
double sensorCurrentOf(int C, int D);
bool isWideRangeO2Pid(int pid);
// The label of the lambda lines: O2S1 to O2S8 in PID order, in both PID blocks.
QString wideRangeLabel(int pid);

} // namespace obd
