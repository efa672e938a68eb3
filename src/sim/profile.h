// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "elm327_frames.h"
#include "moving_value.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>
#include <set>
#include <variant>
#include <vector>

namespace sim {

// A PID's data: fixed bytes, or a value that moves with time.
using PidSource = std::variant<QByteArray, MovingValue>;

// The O2 sensor test results an ECU gives in services $05 and $06 (text commands "05TTSS" and
// "06TTSS": test id, sensor code).
struct O2TestResults {
    // The response id to a service $05 request: $45 sends the program on to service $06.
    quint8 supportReplyId = 0x46;
    // By sensor code (2^k for position k), by test id: the value byte, and for tests $05-$09 the
    // minimum and maximum after it. Test $00, which tests there are, follows from these.
    std::map<quint8, std::map<quint8, QByteArray>> sensors;
};

// One on-board monitoring test result: the test value and its limit, a minimum or a maximum.
struct MonitorTest {
    quint16 value = 0;
    quint16 limit = 0;
    bool minimum = false;
};

// One test of an on-board monitor as CAN carries it: the test ID, the unit and scaling ID, and the
// value with its limits as raw words.
struct ObdMonitorTest {
    quint8 tid = 0;
    quint8 unit = 0;
    quint16 value = 0;
    quint16 min = 0;
    quint16 max = 0;
};

struct Ecu {
    quint8 address = 0x10;
    // Service $01 PIDs by number. The support maps ($00, $20, $40, ...) are derived from these;
    // an ECU without PIDs has no OBD data and answers only the $00 map (all clear), in services
    // $01 and $02 alike.
    std::map<quint8, PidSource> pids;
    // Support maps as a car gave them (a capture), by service ($01, $02, $06, $09), by map id
    // ($00, $20 ...): for a service given here the ECU answers these maps and no others, whatever
    // else the profile holds, so that an item the car named but left unanswered stays so.
    std::map<quint8, std::map<quint8, QByteArray>> supportMaps;
    // Requests (the service and the bytes the program asks after it) that the ECU leaves
    // unanswered, refuses, or answers in a form no request calls for (a reply a capture could not
    // read), whatever else the profile says.
    std::set<QByteArray> unanswered;
    std::set<QByteArray> refused;
    std::set<QByteArray> garbled;
    // Service $02 data by PID, PID $02 being the code that stored the frame; none: no frame.
    std::map<quint8, QByteArray> freezeFrame;
    // Trouble codes (services $03 and $07), two bytes each as the ECU sends them, in order.
    std::vector<quint16> storedCodes;
    std::vector<quint16> pendingCodes;
    // Service $0A: a clear leaves them, unlike the others; refused: 7F 0A 11.
    std::vector<quint16> permanentCodes;
    bool permanentRefused = false;
    // Set once the profile speaks of the MIL or the stored codes, and after a clear: byte A of
    // PID $01 then follows the MIL and the stored codes rather than the profile's bytes, so
    // that the two services never contradict each other.
    std::optional<bool> mil;
    // Service $04 gets the negative response and clears nothing.
    bool clearRefused = false;
    // None: the ECU refuses services $05 and $06.
    std::optional<O2TestResults> o2Tests;
    // On-board monitoring test results (service $06 through the pass-through), by test ID and
    // component ID.
    std::map<quint8, std::map<quint8, MonitorTest>> monitorTests;
    // Service $06 on CAN, by monitor ID; none: the ECU is silent to it there.
    std::map<quint8, std::vector<ObdMonitorTest>> obdMonitors;
    // Service $09, as the profile gives it (unpadded); an ECU with none of them stays silent
    // to the service.
    std::optional<QByteArray> vin;
    std::vector<QByteArray> calibrationIds;
    std::vector<QByteArray> cvns; // four bytes each
    std::optional<QByteArray> ecuName;
    // One frame of the VIN answer is lost on the way.
    bool vinFrameMissing = false;
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
//     "protocol": "1",           the protocol digit of the pass-through acknowledgement
//     "adapter": "box",          what vamrick-sim serves unless told: "box" or "elm327"
//     "bus": "can11",            the adapter's bus unless told (see vamrick-sim --protocol)
//     "adapterIdentity": "ELM327 v1.5",   what the adapter answers to ATI
//     "ecus": [ { "address": "10",
//                 "pids": { "01": [130, 39, 229, 5],
//                           "05": { "wave": "warmup", "start": 20, "end": 90,
//                                   "timeConstantS": 60 },
//                           "0C": { "wave": "drive", "quantity": "rpm" },
//                           "14": { "wave": "sine", "min": 0.1, "max": 0.85, "periodS": 2,
//                                   "phaseS": 0, "tail": [] } },
//                 "freezeFrame": { "02": [3, 0], "05": [150] },
//                 "storedCodes": ["0300", "0171"],
//                 "pendingCodes": ["0420"],
//                 "mil": true,
//                 "clearRefused": false,
//                 "o2Tests": { "supportReplyId": "45",
//                              "sensors": { "01": { "01": [90], "05": [25, 10, 50] } } },
//                 "monitorTests": { "0B": { "01": { "value": 500, "min": 400 } } },
//                 "obdMonitors": { "01": [ { "tid": "01", "unit": "0B", "value": 551,
//                                            "min": 0, "max": 1100 } ] },
//                 "permanentCodes": ["0300"],
//                 "permanentRefused": false,
//                 "vin": "1FTFW1ET5DFC10312",
//                 "calibrationIds": ["JMB*36761500"],
//                 "cvns": ["1791BC82"],
//                 "ecuName": "ECM-EngineControl",
//                 "vinFrameMissing": false,
//                 "supportMaps": { "01": { "00": [190, 31, 168, 19] } },
//                 "unanswered": ["0902"],
//                 "refused": ["0A"],
//                 "garbled": ["0101"] } ] }
//
// A fixed PID is an array of bytes 0-255. A moving one names its wave, and every value it can
// take must be one the PID's bytes carry (e.g. 0 to 255 km/h, -40 to 215 °C):
// - sine, triangle, square or sawtooth: min and max in the PID's physical unit, periodS > 0 and
//   optionally phaseS;
// - drive: the quantity of the drive cycle it follows (speed in km/h, rpm, throttle and load in
//   %, airflow in g/s, lambda: rich under hard throttle, lean on the overrun) and optionally
//   phaseS;
// - warmup: start and end in the PID's unit and timeConstantS > 0.
// Each may end in a tail (the bytes after the value). PIDs that can move: $04 and $11 (%), $05
// and $0F (°C), $06-$09 (fuel trim %, -100 to 99.2), $0C (rpm), $0D (km/h), $10 (g/s), $14-$1B
// (O2 volts), $24-$2B and $34-$3B (lambda). Without a tail, $34-$3B carry the sensor current that
// goes with the lambda in bytes C and D (negative when rich, positive when lean), $24-$2B 4 V.
//
// A trouble code is four hex digits, its two bytes as the ECU sends them ("C123" being the
// network code U0123); there may be any number, of which services $03 and $07 send the first
// three. mil defaults to true when there are stored codes. An ECU without PIDs may have trouble
// codes but no freeze frame. permanentCodes (service $0A) are sent as stored codes are and survive
// a clear; permanentRefused answers the service with 7F 0A 11 instead.
//
// Vehicle information (service $09): vin is 17 printable ASCII characters, kept as given even
// when no real VIN could be so; each calibration ID up to 16 characters and ecuName up to 20,
// both sent padded with zero bytes; each CVN 8 hex digits. The ECU answers PID $00 with the map
// of those it has, and nothing to the service when it has none. vinFrameMissing loses one frame
// of the VIN: the third message on the slow buses, the second consecutive frame on CAN, the last
// byte of the box's frame.
//
// o2Tests: supportReplyId is "45" or "46"; a sensor code is one of 01, 02, 04 ... 80; tests $01-$04
// give one byte (the value), tests $05-$09 three (value, minimum, maximum). A sensor or test the
// profile does not list is refused.
//
// The protocol digit is one printable character; its low four bits choose the header the host
// sends through the pass-through ("4": 61 6A, "8": C3 33, anything else: 68 6A), and a command
// with another header is refused. monitorTests maps test IDs (two hex digits, 01-FF) to
// component IDs (two hex digits, 00-7F) to a value (0-65535) and one limit, "min" or "max"
// (0-65535); the supported-tests map (test ID 00) follows from the test IDs given.
//
// obdMonitors is what the ECU answers to service $06 on CAN, and all it answers there: monitor
// IDs (two hex digits, not 00, 20 ... E0, whose support maps follow from the others) to a list of
// 1-454 tests, each with tid and unit (hex bytes) and value, min and max (0-65535, the raw
// words). A monitor's answer carries all its tests in one message, which must fit ISO 15765's
// 4095 bytes.
//
// A capture (vamrick --capture) writes what the car did: supportMaps by service (01, 02, 06 and
// 09, each by map id, four bytes a map), which the ECU then answers instead of the maps it would
// derive; and the requests it left unanswered, refused or answered in a form that could not be
// read (the ECU then answers with the response id of a request never made, 7E), as hex: the service and
// the bytes the program asks after it ("0902", "03", "050301" for O2 test $03 of sensor 01 in
// either O2 service (its support answer "050001" or "060001" in its own), "060B01" for test $0B of component 01 through the pass-through).
struct Profile {
    char leadingChar = 'V';
    QByteArray firmware = "4.00";
    int markerPeriodMs = 5;
    int latencyMs = 10;
    bool paced = false;
    bool reachable = true;
    char protocol = '1';
    // How a captured car was reached: through an ELM327 adapter on `bus` (what vamrick-sim then
    // serves unless told otherwise), or through the box.
    bool elm327 = false;
    std::optional<ElmProtocol> bus;
    QByteArray adapterIdentity = "ELM327 v1.5";
    std::vector<Ecu> ecus{Ecu{}};

    // Reads a profile over the default one. On failure: nullopt and a one-line reason that names
    // the offending key.
    static std::optional<Profile> fromJson(const QByteArray& json, QString* error = nullptr);
    static std::optional<Profile> fromFile(const QString& path, QString* error = nullptr);
    // The compiled-in profile (":/sim/default.json").
    static Profile defaults();
};

} // namespace sim
