// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "drive_cycle.h"

#include <QByteArray>
#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace sim {

enum class Wave { Sine, Triangle, Square, Sawtooth, Drive, Warmup };

std::optional<Wave> waveFromName(QStringView name);

// A value that moves with time. The periodic waves move between min and max once per period,
// starting at min when the simulator starts (phaseS shifts that start); they never leave the
// range between them. Sine and triangle swing min -> max -> min, square holds min for the first
// half and max for the second, sawtooth climbs from min to max and drops back.
// Drive follows one quantity of the drive cycle, phaseS seconds ahead. Warmup goes from start
// towards end as a warming engine does, 63 % of the way after timeConstantS, and settles there.
struct MovingValue {
    Wave wave = Wave::Sine;
    double min = 0;
    double max = 0;
    double periodS = 1;
    double phaseS = 0;
    DriveQuantity quantity = DriveQuantity::Speed;
    double start = 0;
    double end = 0;
    double timeConstantS = 1;
    // Bytes that follow the value in the reply; the PID's usual ones when absent.
    std::optional<QByteArray> tail;
};

double valueAt(const MovingValue& value, double seconds);

// How a PID carries a moving value in its standard encoding: raw = round((value + offset) x
// scale) in `bytes` big-endian bytes, followed by the tail bytes.
struct PidEncoding {
    double scale;
    int bytes;
    QByteArray tail;
    double offset = 0;

    // The smallest and largest values the bytes hold, in the PID's unit.
    double minValue() const;
    double maxValue() const;
    // The raw number, or nothing when that is not a number from 0 to 256^bytes - 1.
    std::optional<quint32> raw(double value) const;
};

// Only the PIDs whose value the simulator can move have an encoding.
std::optional<PidEncoding> movingEncoding(quint8 pid);

// The PID's data bytes at the given time. The PID must have an encoding that holds every value
// the moving value takes (the profile reader sees to both).
QByteArray encodeAt(quint8 pid, const MovingValue& value, double seconds);

} // namespace sim
