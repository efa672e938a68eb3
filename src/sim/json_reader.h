// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <algorithm>
#include <iterator>

namespace sim {

class JsonReader;

// One key of a JSON object and how its value is read into `Target`. A required key is read even
// when it is missing, so that its reader says what it wants.
template <typename Target> struct JsonField {
    const char* key;
    bool (*read)(JsonReader& reader, const QJsonValue& value, const QString& at, Target& out);
    bool required = false;
};

// Reads JSON values, stopping at the first problem: `where` names the key, so that the one-line
// message points at it ("ecus[0].pids.0D.max: must be from 0 to 255 for this PID").
class JsonReader {
public:
    explicit JsonReader(QString* error) : error_(error) {}

    bool fail(const QString& where, const QString& what);
    static QString shortest(double value);

    bool integer(const QJsonValue& value, const QString& where, int min, int max, int& out);
    bool number(const QJsonValue& value, const QString& where, double& out);
    bool positive(const QJsonValue& value, const QString& where, double& out);
    bool boolean(const QJsonValue& value, const QString& where, bool& out);
    bool hexByte(const QJsonValue& value, const QString& where, quint8& out);
    bool bytes(const QJsonValue& value, const QString& where, QByteArray& out);
    // Printable ASCII text of at least `minLength` characters.
    bool text(const QJsonValue& value, const QString& where, int minLength, QByteArray& out);
    bool character(const QJsonValue& value, const QString& where, char& out);

    // An object whose every key has a row in `table`; the rows are read in the table's order.
    template <typename Target, std::size_t N>
    bool fields(const QJsonValue& value, const QString& where, const JsonField<Target> (&table)[N],
                Target& out) {
        if (!value.isObject())
            return fail(where, QStringLiteral("must be an object"));
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            const auto known = [&](const JsonField<Target>& row) {
                return it.key() == QLatin1StringView(row.key);
            };
            if (std::none_of(std::begin(table), std::end(table), known))
                return fail(where, QStringLiteral("unknown key \"%1\"").arg(it.key()));
        }
        for (const JsonField<Target>& row : table) {
            const QString at =
                where.isEmpty() ? QString::fromLatin1(row.key) : where + '.' + row.key;
            if ((row.required || object.contains(row.key)) &&
                !row.read(*this, object.value(row.key), at, out))
                return false;
        }
        return true;
    }

    // An object keyed by two hex digits: `read` takes each key's byte, its value and where it is.
    template <typename Read>
    bool byHexKey(const QJsonValue& value, const QString& where, Read read) {
        if (!value.isObject())
            return fail(where, QStringLiteral("must be an object"));
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString at = where + '.' + it.key();
            quint8 id = 0;
            if (!hexByte(QJsonValue(it.key()), at, id) || !read(id, it.value(), at))
                return false;
        }
        return true;
    }

private:
    QString* error_;
};

} // namespace sim
