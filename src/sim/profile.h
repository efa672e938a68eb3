#pragma once

#include "moving_value.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>
#include <variant>
#include <vector>

namespace sim {

// A PID's data: fixed bytes, or a value that moves with time.
using PidSource = std::variant<QByteArray, MovingValue>;

struct Ecu {
    quint8 address = 0x10;
    // Service $01 PIDs by number. The support maps ($00, $20, $40, ...) are derived from these;
    // an ECU without PIDs has no OBD data and answers only the $00 map (all clear).
    std::map<quint8, PidSource> pids;
    // Service $02 data by PID, PID $02 being the code that stored the frame; none: no frame.
    std::map<quint8, QByteArray> freezeFrame;
};

// The simulated scan tool and vehicle. JSON form (every key optional; missing ones keep the
// compiled-in default profile's values, and "ecus" replaces the default ECUs as a whole):
//
//   { "leadingChar": "V",        first character of every reply
//     "firmware": "4.00",        version text of the firmware reply (after the leading character)
//     "markerPeriodMs": 5,       idle marker period, 1-60000
//     "latencyMs": 10,           ECU latency when paced, 0-60000
//     "paced": false,            true: send at 19200 baud, 10 bits a character
//     "reachable": true,         false: markers "P", vehicle requests unanswered
//     "ecus": [ { "address": "10",
//                 "pids": { "05": [130],
//                           "0C": { "wave": "sine", "min": 750, "max": 3000, "periodS": 20,
//                                   "phaseS": 0, "tail": [] } },
//                 "freezeFrame": { "02": [3, 0], "05": [150] } } ] }
//
// A fixed PID is an array of bytes 0-255. A moving one names its wave (sine, triangle, square,
// sawtooth), min and max in the PID's physical unit and periodS > 0; phaseS and tail (the bytes
// after the value) are optional. PIDs that can move: $04 and $11 (%), $0C (rpm), $0D (km/h),
// $10 (g/s), $14-$1B (O2 volts), $24-$2B and $34-$3B (lambda).
struct Profile {
    char leadingChar = 'V';
    QByteArray firmware = "4.00";
    int markerPeriodMs = 5;
    int latencyMs = 10;
    bool paced = false;
    bool reachable = true;
    std::vector<Ecu> ecus{Ecu{}};

    // Reads a profile over the default one. On failure: nullopt and a one-line reason that names
    // the offending key.
    static std::optional<Profile> fromJson(const QByteArray& json, QString* error = nullptr);
    static std::optional<Profile> fromFile(const QString& path, QString* error = nullptr);
    // The compiled-in profile (":/sim/default.json").
    static Profile defaults();
};

} // namespace sim
