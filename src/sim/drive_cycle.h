// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

#include <optional>

namespace sim {

// The default vehicle's engine values come from one repeating drive, so that they move
// together the way a person expects: idle, pull away, up through five gears, cruise at
// 100 km/h, coast down, brake to a stop and idle again. The mixture follows the pedal: lambda
// hunts closely around 1 at idle and steady speed, goes rich when the pedal goes down hard and
// lean on the overrun.
enum class DriveQuantity { Speed, Rpm, Throttle, Load, Airflow, Lambda };

std::optional<DriveQuantity> driveQuantityFromName(QStringView name);

struct DriveState {
    double speedKmh = 0;
    double rpm = 0;
    int gear = 0; // 0: clutch down or neutral, the engine idles
    double throttlePercent = 0;
    double loadPercent = 0;
    double airflowGs = 0;
    double lambda = 1;

    double value(DriveQuantity quantity) const;
};

// The drive at `seconds` after the simulator started; it repeats every driveCycleSeconds().
DriveState driveAt(double seconds);
double driveCycleSeconds();

// No moment of the drive exceeds this, nor goes below 0: what a PID must be able to carry.
double drivePeak(DriveQuantity quantity);

} // namespace sim
