// SPDX-License-Identifier: GPL-3.0-or-later
#include "moving_value.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sim {

std::optional<Wave> waveFromName(QStringView name) {
    if (name == u"sine")
        return Wave::Sine;
    if (name == u"triangle")
        return Wave::Triangle;
    if (name == u"square")
        return Wave::Square;
    if (name == u"sawtooth")
        return Wave::Sawtooth;
    if (name == u"drive")
        return Wave::Drive;
    if (name == u"warmup")
        return Wave::Warmup;
    return std::nullopt;
}

double valueAt(const MovingValue& value, double seconds) {
    if (value.wave == Wave::Drive)
        return driveAt(seconds + value.phaseS).value(value.quantity);
    if (value.wave == Wave::Warmup) // lerp keeps it between start and end
        return std::lerp(value.end, value.start,
                         std::exp(-std::max(seconds, 0.0) / value.timeConstantS));
    const double cycles = (seconds + value.phaseS) / value.periodS;
    double f = cycles - std::floor(cycles); // within 0-1, also for negative phases
    if (!std::isfinite(f))
        f = 0;        // a period so short that the count of cycles overflows
    double shape = f; // sawtooth
    if (value.wave == Wave::Sine)
        shape = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * f);
    else if (value.wave == Wave::Triangle)
        shape = f < 0.5 ? 2 * f : 2 - 2 * f;
    else if (value.wave == Wave::Square)
        shape = f < 0.5 ? 0 : 1;
    // Unlike min + (max - min) x shape, lerp stays within min and max and cannot overflow.
    return std::lerp(value.min, value.max, shape);
}

std::optional<PidEncoding> movingEncoding(quint8 pid) {
    // Upstream O2 sensors take part in the short-term trim (0x80 = 0 %); the wide-range tail
    // reads as 4 V ($24-$2B), or as the sensor current that goes with the lambda ($34-$3B).
    if (pid == 0x04 || pid == 0x11)
        return PidEncoding{255.0 / 100.0, 1, {}}; // percent
    if (pid >= 0x06 && pid <= 0x09)
        return PidEncoding{128.0 / 100.0, 1, {}, 100}; // fuel trim percent, 0x80 = 0 %
    if (pid == 0x05 || pid == 0x0F)
        return PidEncoding{1, 1, {}, 40}; // degrees Celsius
    if (pid == 0x0C)
        return PidEncoding{4, 2, {}}; // rpm
    if (pid == 0x0D)
        return PidEncoding{1, 1, {}}; // km/h
    if (pid == 0x10)
        return PidEncoding{100, 2, {}}; // g/s
    if (pid >= 0x14 && pid <= 0x1B)
        return PidEncoding{200, 1, QByteArray(1, char(0x80))}; // volts
    if ((pid >= 0x24 && pid <= 0x2B) || (pid >= 0x34 && pid <= 0x3B))
        return PidEncoding{32768, 2, QByteArray::fromHex("8000")}; // lambda
    return std::nullopt;
}

double PidEncoding::minValue() const {
    return 0.0 - offset; // not -0 when there is no offset
}

double PidEncoding::maxValue() const {
    return (std::pow(256.0, bytes) - 1) / scale - offset;
}

std::optional<quint32> PidEncoding::raw(double value) const {
    const double raw = std::round((value + offset) * scale);
    if (!(raw >= 0 && raw <= std::pow(256.0, bytes) - 1)) // NaN fails too
        return std::nullopt;
    return static_cast<quint32>(raw);
}

namespace {

bool pumpsCurrent(quint8 pid) {
    return pid >= 0x34 && pid <= 0x3B;
}

// A wide-range sensor pumps the current that brings its cell back to stoichiometric: negative
// when rich, positive when lean, in step with the air/fuel ratio (1.954929 ratio points a mA).
QByteArray sensorCurrentFor(double lambda) {
    const double milliamps = (lambda - 1) * 14.731 / 1.954929;
    const auto raw = quint16(std::clamp(std::round(milliamps * 256) + 32768, 0.0, 65535.0));
    QByteArray bytes(2, '\0');
    bytes[0] = char(raw >> 8);
    bytes[1] = char(raw & 0xFF);
    return bytes;
}

} // namespace

QByteArray encodeAt(quint8 pid, const MovingValue& value, double seconds) {
    const std::optional<PidEncoding> encoding = movingEncoding(pid);
    if (!encoding)
        return {};
    // Scaling and rounding keep order, so a value between a min and a max that fit fits too.
    // A profile built in code rather than read gets 0 for a value that does not.
    const double now = valueAt(value, seconds);
    const std::optional<quint32> raw = encoding->raw(now);
    Q_ASSERT(raw);
    quint32 number = raw.value_or(0);
    QByteArray data(encoding->bytes, '\0');
    for (int i = encoding->bytes - 1; i >= 0; --i) {
        data[i] = char(number & 0xFF);
        number >>= 8;
    }
    if (value.tail)
        return data + *value.tail;
    return data + (pumpsCurrent(pid) ? sensorCurrentFor(now) : encoding->tail);
}

} // namespace sim
