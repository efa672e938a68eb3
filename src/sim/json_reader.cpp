// SPDX-License-Identifier: GPL-3.0-or-later
#include "json_reader.h"

#include "frames.h"

#include <QJsonArray>
#include <QLocale>

#include <cmath>

namespace sim {

bool JsonReader::fail(const QString& where, const QString& what) {
    if (error_)
        *error_ = where.isEmpty() ? what : where + QStringLiteral(": ") + what;
    return false;
}

QString JsonReader::shortest(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

bool JsonReader::integer(const QJsonValue& value, const QString& where, int min, int max,
                         int& out) {
    const double d = value.toDouble(std::nan(""));
    if (!value.isDouble() || d != std::floor(d) || d < min || d > max)
        return fail(where,
                    QStringLiteral("must be a whole number from %1 to %2").arg(min).arg(max));
    out = static_cast<int>(d);
    return true;
}

bool JsonReader::number(const QJsonValue& value, const QString& where, double& out) {
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return fail(where, QStringLiteral("must be a number"));
    out = value.toDouble();
    return true;
}

bool JsonReader::positive(const QJsonValue& value, const QString& where, double& out) {
    if (!number(value, where, out))
        return false;
    return out > 0 || fail(where, QStringLiteral("must be above 0"));
}

bool JsonReader::boolean(const QJsonValue& value, const QString& where, bool& out) {
    if (!value.isBool())
        return fail(where, QStringLiteral("must be true or false"));
    out = value.toBool();
    return true;
}

bool JsonReader::hexByte(const QJsonValue& value, const QString& where, quint8& out) {
    const QByteArray text = value.toString().toLatin1();
    if (!value.isString() || text.size() != 2 || !isHex(text))
        return fail(where, QStringLiteral("must be two hexadecimal digits"));
    out = static_cast<quint8>(text.toUInt(nullptr, 16));
    return true;
}

bool JsonReader::bytes(const QJsonValue& value, const QString& where, QByteArray& out) {
    if (!value.isArray())
        return fail(where, QStringLiteral("must be an array of bytes"));
    out.clear();
    for (const QJsonValue& item : value.toArray()) {
        int byte = 0;
        if (!integer(item, where, 0, 255, byte))
            return false;
        out.append(char(byte));
    }
    return true;
}

bool JsonReader::text(const QJsonValue& value, const QString& where, int minLength,
                      QByteArray& out) {
    const QString s = value.toString();
    const bool printable = std::all_of(
        s.begin(), s.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
    if (!value.isString() || s.size() < minLength || !printable)
        return fail(where, QStringLiteral("must be printable ASCII text"));
    out = s.toLatin1();
    return true;
}

bool JsonReader::character(const QJsonValue& value, const QString& where, char& out) {
    QByteArray one;
    if (!text(value, where, 1, one))
        return false;
    if (one.size() != 1)
        return fail(where, QStringLiteral("must be one character"));
    out = one.front();
    return true;
}

} // namespace sim
