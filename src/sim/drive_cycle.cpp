// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive_cycle.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>

namespace sim {

namespace {

// Over `seconds` the speed eases from where the previous leg ended to endKmh, in `gear`.
struct Leg {
    double seconds;
    double endKmh;
    int gear;
};

// Each gear of the pull away ends near 2700 rpm, so the engine speed drops at every upshift.
constexpr Leg kCycle[] = {
    {10, 0, 0},   // idle
    {5, 20, 1},   // pull away
    {6, 40, 2},   // second
    {8, 62, 3},   // third
    {10, 85, 4},  // fourth
    {8, 100, 5},  // fifth
    {20, 100, 5}, // cruise
    {12, 50, 5},  // lift off and coast
    {8, 20, 3},   // change down and brake
    {5, 0, 0},    // clutch down to the stop
};
// Engine rpm per km/h, by gear.
constexpr double kRpmPerKmh[] = {0, 120, 68, 44, 32, 23};
constexpr double kIdleRpm = 750;
// The mixture: the closed loop hunts around 1; from kEnrichFromPedal the engine is enriched,
// down to kFullPedalLambda at kFullEnrichPedal; off the pedal while slowing it runs lean.
constexpr double kHuntingLambda = 0.015;
constexpr double kHuntingPeriodS = 1.2;
constexpr double kEnrichFromPedal = 0.25;
constexpr double kFullEnrichPedal = 0.6;
constexpr double kFullPedalLambda = 0.85;
constexpr double kOverrunLambda = 1.12;

double rpmFor(double kmh, int gear, double pedal) {
    const double rpm = std::max(kIdleRpm, kmh * kRpmPerKmh[gear]);
    // In first gear the clutch slips while the car gets going.
    return gear == 1 ? std::max(rpm, kIdleRpm + 1000 * pedal) : rpm;
}

double lambdaFor(double seconds, double pedal, bool overrun) {
    if (overrun)
        return kOverrunLambda;
    const double hunting =
        1 + kHuntingLambda * std::sin(2 * std::numbers::pi * seconds / kHuntingPeriodS);
    if (pedal <= kEnrichFromPedal)
        return hunting;
    const double enrichment =
        std::clamp((pedal - kEnrichFromPedal) / (kFullEnrichPedal - kEnrichFromPedal), 0.0, 1.0);
    return std::min(hunting, std::lerp(1.0, kFullPedalLambda, enrichment));
}

// The rest follows from the engine speed and the pedal (0-1).
DriveState engine(double kmh, int gear, double rpm, double pedal) {
    DriveState state;
    state.speedKmh = kmh;
    state.gear = gear;
    state.rpm = rpm;
    state.throttlePercent = 100 * pedal;
    state.loadPercent = 22 + 75 * pedal;
    // A 1.6 l engine draws 1.6 l of air (1.2 g/l) every two turns at full load.
    state.airflowGs = rpm / 120 * 1.6 * 1.2 * state.loadPercent / 100;
    return state;
}

// The pedal holds the speed against rolling and air drag and adds what the acceleration takes.
double pedalFor(double kmh, double kmhPerS) {
    const double v = kmh / 100;
    return std::min(0.06 * v + 0.12 * v * v + 0.08 * kmhPerS, 1.0);
}

} // namespace

std::optional<DriveQuantity> driveQuantityFromName(QStringView name) {
    if (name == u"speed")
        return DriveQuantity::Speed;
    if (name == u"rpm")
        return DriveQuantity::Rpm;
    if (name == u"throttle")
        return DriveQuantity::Throttle;
    if (name == u"load")
        return DriveQuantity::Load;
    if (name == u"airflow")
        return DriveQuantity::Airflow;
    if (name == u"lambda")
        return DriveQuantity::Lambda;
    return std::nullopt;
}

double DriveState::value(DriveQuantity quantity) const {
    switch (quantity) {
    case DriveQuantity::Speed:
        return speedKmh;
    case DriveQuantity::Rpm:
        return rpm;
    case DriveQuantity::Throttle:
        return throttlePercent;
    case DriveQuantity::Load:
        return loadPercent;
    case DriveQuantity::Airflow:
        return airflowGs;
    case DriveQuantity::Lambda:
        return lambda;
    }
    return 0;
}

double driveCycleSeconds() {
    double total = 0;
    for (const Leg& leg : kCycle)
        total += leg.seconds;
    return total;
}

DriveState driveAt(double seconds) {
    const double cycle = driveCycleSeconds();
    double t = std::fmod(seconds, cycle);
    if (t < 0)
        t += cycle;
    if (!std::isfinite(t))
        t = 0;
    double fromKmh = std::end(kCycle)[-1].endKmh; // the drive ends where it starts
    for (const Leg& leg : kCycle) {
        // The last leg also takes what rounding may leave over.
        if (t < leg.seconds || &leg == std::end(kCycle) - 1) {
            // Easing in and out keeps the acceleration continuous from leg to leg.
            const double x = std::clamp(t / leg.seconds, 0.0, 1.0);
            const double kmh =
                std::lerp(fromKmh, leg.endKmh, 0.5 - 0.5 * std::cos(std::numbers::pi * x));
            const double kmhPerS = (leg.endKmh - fromKmh) * std::numbers::pi / (2 * leg.seconds) *
                                   std::sin(std::numbers::pi * x);
            // Off the pedal while slowing down or with the clutch down.
            const bool slowing = leg.endKmh < fromKmh;
            const double pedal = leg.gear == 0 || slowing ? 0 : pedalFor(kmh, kmhPerS);
            DriveState state = engine(kmh, leg.gear, rpmFor(kmh, leg.gear, pedal), pedal);
            state.lambda = lambdaFor(seconds, pedal, slowing && leg.gear != 0);
            return state;
        }
        t -= leg.seconds;
        fromKmh = leg.endKmh;
    }
    return engine(0, 0, kIdleRpm, 0); // not reached
}

double drivePeak(DriveQuantity quantity) {
    // Within a leg the speed stays between its ends, so the ends bound it and the engine speed.
    double kmh = 0;
    double rpm = rpmFor(0, 1, 1); // the clutch slipping at full throttle
    double fromKmh = std::end(kCycle)[-1].endKmh;
    for (const Leg& leg : kCycle) {
        kmh = std::max(kmh, leg.endKmh);
        rpm = std::max({rpm, fromKmh * kRpmPerKmh[leg.gear], leg.endKmh * kRpmPerKmh[leg.gear]});
        fromKmh = leg.endKmh;
    }
    if (quantity == DriveQuantity::Lambda)
        return kOverrunLambda;
    return engine(kmh, 0, rpm, 1).value(quantity);
}

} // namespace sim
