// SPDX-License-Identifier: GPL-3.0-or-later
#include "value_decoders.h"

#include "core/number_text.h"

#include <algorithm>
#include <array>

namespace obd {

namespace {

using core::formatNumber;
using core::left;
using core::numberText;
using core::Precision;
using core::wholePart;

QString str(double v) {
    return numberText(v, Precision::Double);
}
QString strSingle(double v) {
    return numberText(v, Precision::Single);
}
int word(const DataBytes& b) {
    return b.A * 256 + b.B;
}

Scaled percentOf255(const DataBytes& b, bool) {
    return {str(double(wholePart(b.A / 255.0 * 100))), double(b.A)};
}
Scaled temperature(int A, bool metric) {
    const double t = A - 40;
    return {left(str(metric ? t : t * 1.8 + 32), 4), double(A)};
}
Scaled o2Volts(const DataBytes& b, bool) {
    return {str(b.A / 200.0), double(b.A)};
}
Scaled distance(const DataBytes& b, bool metric) {
    const int d = word(b);
    return {str(double(wholePart(metric ? d : d * 0.61))), double(d)};
}
Scaled catalystTemperature(const DataBytes& b, bool metric) {
    const double t = word(b) * 0.1;
    const double T = t - 40;
    return {metric ? formatNumber(T, QStringLiteral(" ###0"))
                   : formatNumber(T * 1.8 + 32, QStringLiteral(" ####0")),
            t};
}
// Decoders of the third PID range keep Single precision.
Scaled singlePercent(const DataBytes& b, bool) {
    const float v = float(b.A * 100) / 255.0f;
    return {strSingle(v), v};
}
Scaled minutes(const DataBytes& b, bool) {
    return {strSingle(word(b)), double(word(b))};
}

const std::array kDecoders{
    ValueDecoder{0x04, "get_cal_load", 1, percentOf255, "%", "%", "Calculated Load -------- "},
    ValueDecoder{0x05, "get_coolant_temp", 1,
                 [](const DataBytes& b, bool m) { return temperature(b.A, m); }, "Deg C", "Deg F",
                 "Coolant Temp -----------  "},
    ValueDecoder{0x0A, "get_fuel_press", 1,
                 [](const DataBytes& b, bool) {
                     return Scaled{str(765.0 / 255.0 * b.A), double(b.A)};
                 },
                 "KPa", "KPa", "Fuel Pressure ---------- "},
    ValueDecoder{0x0B, "get_MAP", 1,
                 [](const DataBytes& b, bool m) {
                     return Scaled{left(str(m ? b.A : b.A * 0.29613), 5), double(b.A)};
                 },
                 "KPaA", "inHg", "Manifold Absolute Pres.- "},
    ValueDecoder{0x0C, "get_RPM", 2,
                 [](const DataBytes& b, bool) {
                     const double r = word(b) / 4.0;
                     return Scaled{str(r), r / 25};
                 },
                 "RPM", "RPM", "Engine RPM ------------- "},
    ValueDecoder{0x0D, "get_speed", 1,
                 [](const DataBytes& b, bool m) {
                     return Scaled{m ? str(b.A) : str(b.A * 0.61), double(b.A)};
                 },
                 "KPH", "MPH", "Speed ------------------ "},
    ValueDecoder{0x0E, "get_ignition_adv", 1,
                 [](const DataBytes& b, bool) {
                     return Scaled{left(str(b.A / 2.0 - 64), 5), double(b.A)};
                 },
                 "Deg", "Deg", "Ignition Advance ------- "},
    ValueDecoder{0x0F, "get_air_temp", 1,
                 [](const DataBytes& b, bool m) { return temperature(b.A, m); }, "Deg C", "Deg F",
                 "Intake Air Temp --------  "},
    ValueDecoder{0x10, "get_air_flow", 2,
                 [](const DataBytes& b, bool) {
                     const double m = word(b) / 100.0;
                     return Scaled{str(m), m / 4};
                 },
                 "gm/sec", "gm/sec", "Air Flow --------------- "},
    ValueDecoder{0x11, "get_TPS", 1,
                 [](const DataBytes& b, bool) {
                     return Scaled{left(str(100.0 / 255.0 * b.A), 4), double(b.A)};
                 },
                 "%", "%", "Throttle Position ------ "},
    ValueDecoder{0x14, "get_O2b1s1", 1, o2Volts, " Volts", " Volts", "O2 Sensor1 Val --------- "},
    ValueDecoder{0x15, "get_O2b1s2", 1, o2Volts, " Volts", " Volts", "O2 Sensor2 Val --------- "},
    ValueDecoder{0x16, "get_O2b1s3", 1, o2Volts, " Volts", " Volts", "O2 Sensor3 Val --------- "},
    ValueDecoder{0x17, "get_O2b1s4", 1, o2Volts, " Volts", " Volts", "O2 Sensor4 Val --------- "},
    ValueDecoder{0x18, "get_O2b2s1", 1, o2Volts, " Volts", " Volts", "O2 Sensor1b Val -------- "},
    ValueDecoder{0x19, "get_O2b2s2", 1, o2Volts, " Volts", " Volts", "O2 Sensor2b Val -------- "},
    ValueDecoder{0x1A, "get_O2b2s3", 1, o2Volts, " Volts", " Volts", "O2 Sensor3b Val -------- "},
    ValueDecoder{0x1B, "get_O2b2s4", 1, o2Volts, " Volts", " Volts", "O2 Sensor4b Val -------- "},
    ValueDecoder{0x1F, "get_Time_Since_Engine_Start", 4,
                 [](const DataBytes& b, bool) {
                     return Scaled{str(word(b)), double(word(b))};
                 },
                 "Sec.", "Sec.", "Seconds Since Start -- "},
    ValueDecoder{0x21, "get_dist_MIL", 4, distance, "Km", "Mi", "Distance with MIL ----- "},
    ValueDecoder{0x22, "get_fuel_press_rel", 4,
                 [](const DataBytes& b, bool m) {
                     const int p = word(b);
                     return Scaled{
                         m ? formatNumber(double(wholePart(p * 0.079)), QStringLiteral(" 000.0"))
                           : formatNumber(p * 0.145 * 0.079, QStringLiteral(" ##0.0")),
                         double(p)};
                 },
                 " kPa", " PSI", "Fuel press. ----------- "},
    ValueDecoder{
        0x23, "get_fuel_press_direct", 4,
        [](const DataBytes& b, bool m) {
            const int p = word(b);
            return Scaled{str(double(wholePart(m ? p * 10.0 : p * 10 * 0.145))), double(p)};
        },
        "kPa", " PSI", "Fuel press. ----------- "},
    ValueDecoder{0x2C, "get_cmd_EGR", 1, percentOf255, "%", "%", "CMD EGR open ---------- "},
    ValueDecoder{0x2D, "get_EGR_error", 1,
                 [](const DataBytes& b, bool) {
                     return Scaled{str(double(wholePart((b.A - 128) * 100 / 128.0))), double(b.A)};
                 },
                 "%", "%", "EGR Error ------------- "},
    ValueDecoder{0x2E, "get_cmd_purge", 1, percentOf255, "%", "%", "CMD EVAP Purge -------- "},
    ValueDecoder{0x2F, "get_fuel_level", 1, percentOf255, "%", "%", "Fuel Level ------------ "},
    ValueDecoder{0x30, "get_warm_ups", 1,
                 [](const DataBytes& b, bool) {
                     return Scaled{str(b.A), double(b.A)};
                 },
                 "Times", "Times", "Num. Warm Ups --------- "},
    ValueDecoder{0x31, "get_dist_clear", 2, distance, "kM", "Mi.", "Dist. since CLR ------- "},
    ValueDecoder{0x32, "get_EVAP_press", 2,
                 [](const DataBytes& b, bool m) {
                     const int p = word(b) > 32767 ? word(b) - 65536 : word(b);
                     return Scaled{m ? str(p * 0.25) : str(p * 0.001003), double(p)};
                 },
                 "Pa", "inH2O.", "EVAP press. ----------- "},
    ValueDecoder{0x33, "get_baro", 1,
                 [](const DataBytes& b, bool m) {
                     return Scaled{m ? str(b.A) : str(b.A * 0.2953), double(b.A)};
                 },
                 "kPa", "InHg", "BARO press. ----------- "},
    ValueDecoder{0x3C, "get_cat_temp11", 2, catalystTemperature, "Deg C", "Deg F",
                 "CAT11 Temp ------------ "},
    ValueDecoder{0x3D, "get_cat_temp21", 2, catalystTemperature, "Deg C", "Deg F",
                 "CAT21 Temp ------------ "},
    ValueDecoder{0x3E, "get_cat_temp12", 2, catalystTemperature, "Deg C", "Deg F",
                 "CAT12 Temp ------------ "},
    ValueDecoder{0x3F, "get_cat_temp22", 2, catalystTemperature, "Deg C", "Deg F",
                 "CAT22 Temp ------------ "},
    ValueDecoder{0x42, "get_module_voltage", 4,
                 [](const DataBytes& b, bool) {
                     const double v = word(b) * 0.001;
                     return Scaled{str(v), v};
                 },
                 "Volts", "Volts", "Control Mod. Voltage--- "},
    ValueDecoder{0x43, "get_abs_load", 4,
                 [](const DataBytes& b, bool) {
                     const float v = float(word(b)) * 100.0f / 255.0f;
                     return Scaled{strSingle(v), v};
                 },
                 "%", "%", "Absolute Load --------- "},
    ValueDecoder{0x44, "get_cmd_equiv_ratio", 4,
                 [](const DataBytes& b, bool) {
                     const float v = float(lambdaOf(b.A, b.B));
                     return Scaled{strSingle(v), v};
                 },
                 " ", " ", "Cmd Equiv. Ratio ------ "},
    ValueDecoder{0x45, "get_rel_throttle", 4, singlePercent, "%", "%", "Rel. Throttle Position- "},
    ValueDecoder{0x46, "get_ambient_temp", 4,
                 [](const DataBytes& b, bool m) {
                     const float t = float(b.A - 40);
                     return Scaled{left(strSingle(m ? t : t * 1.8f + 32.0f), 4), double(b.A)};
                 },
                 "Deg C", "Deg F", "Ambiant Air Temp ------ "},
    ValueDecoder{0x47, "get_abs_throttle_B", 4, singlePercent, "%", "%",
                 "Abs. Throttle PositionB- "},
    ValueDecoder{0x48, "get_abs_throttle_C", 4, singlePercent, "%", "%",
                 "Abs. Throttle PositionC- "},
    ValueDecoder{0x49, "get_accel_pedal_D", 4, singlePercent, "%", "%", "Accelerator PositionD-- "},
    ValueDecoder{0x4A, "get_accel_pedal_E", 4, singlePercent, "%", "%", "Accelerator PositionE-- "},
    ValueDecoder{0x4B, "get_accel_pedal_F", 4, singlePercent, "%", "%", "Accelerator PositionF-- "},
    ValueDecoder{0x4C, "get_cmd_throttle", 4, singlePercent, "%", "%", "Cmd. Throt. Actuator--- "},
    ValueDecoder{0x4D, "get_minutes_MIL", 4, minutes, "Min.", "Min.", "Minutes Run with MIL-- "},
    ValueDecoder{0x4E, "get_minutes_clear", 4, minutes, "Min.", "Min.", "Min. Since TC Clear--- "},
};

} // namespace

std::span<const ValueDecoder> valueDecoders() {
    return kDecoders;
}

const ValueDecoder* valueDecoder(int pid) {
    const auto row = std::find_if(kDecoders.begin(), kDecoders.end(),
                                  [pid](const ValueDecoder& d) { return d.pid == pid; });
    return row == kDecoders.end() ? nullptr : &*row;
}

double lambdaOf(int A, int B) {
    return (A * 256 + B) * 0.0000305;
}

double sensorCurrentOf(int C, int D) {
    return ((C * 256 + D) - 32768) * 0.00390625;
}

bool isWideRangeO2Pid(int pid) {
    return (pid >= 0x24 && pid <= 0x2B) || (pid >= 0x34 && pid <= 0x3B);
}

QString wideRangeLabel(int pid) {
    return QStringLiteral("O2S%1 Sensor ----------- ").arg((pid & 0x0F) - 3);
}

} // namespace obd
