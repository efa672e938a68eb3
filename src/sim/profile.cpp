// SPDX-License-Identifier: GPL-3.0-or-later
#include "profile.h"

#include "frames.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

// Reading stops at the first problem; `where` names the key so that the message points at it.
class Reader {
public:
    explicit Reader(QString* error) : error_(error) {}

    static QString shortest(double value) {
        return QString::number(value, 'g', QLocale::FloatingPointShortest);
    }

    bool fail(const QString& where, const QString& what) {
        if (error_)
            *error_ = where.isEmpty() ? what : where + QStringLiteral(": ") + what;
        return false;
    }

    bool onlyKeys(const QJsonObject& object, const QString& where,
                  std::initializer_list<QLatin1StringView> known) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (std::find(known.begin(), known.end(), it.key()) == known.end())
                return fail(where, QStringLiteral("unknown key \"%1\"").arg(it.key()));
        }
        return true;
    }

    bool integer(const QJsonValue& value, const QString& where, int min, int max, int& out) {
        const double d = value.toDouble(std::nan(""));
        if (!value.isDouble() || d != std::floor(d) || d < min || d > max)
            return fail(where,
                        QStringLiteral("must be a whole number from %1 to %2").arg(min).arg(max));
        out = static_cast<int>(d);
        return true;
    }

    bool number(const QJsonValue& value, const QString& where, double& out) {
        if (!value.isDouble() || !std::isfinite(value.toDouble()))
            return fail(where, QStringLiteral("must be a number"));
        out = value.toDouble();
        return true;
    }

    bool boolean(const QJsonValue& value, const QString& where, bool& out) {
        if (!value.isBool())
            return fail(where, QStringLiteral("must be true or false"));
        out = value.toBool();
        return true;
    }

    bool hexByte(const QJsonValue& value, const QString& where, quint8& out) {
        const QByteArray text = value.toString().toLatin1();
        if (!value.isString() || text.size() != 2 || !isHexDigit(text[0]) || !isHexDigit(text[1]))
            return fail(where, QStringLiteral("must be two hexadecimal digits"));
        out = static_cast<quint8>(text.toUInt(nullptr, 16));
        return true;
    }

    bool bytes(const QJsonValue& value, const QString& where, QByteArray& out) {
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

    bool text(const QJsonValue& value, const QString& where, int minLength, QByteArray& out) {
        const QString s = value.toString();
        const bool printable = std::all_of(
            s.begin(), s.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
        if (!value.isString() || s.size() < minLength || !printable)
            return fail(where, QStringLiteral("must be printable ASCII text"));
        out = s.toLatin1();
        return true;
    }

    bool moving(const QJsonObject& object, quint8 pid, const QString& where, MovingValue& out) {
        const std::optional<PidEncoding> encoding = movingEncoding(pid);
        if (!encoding)
            return fail(where, QStringLiteral("this PID cannot move with time; give its bytes"));
        const std::optional<Wave> wave = waveFromName(object.value("wave").toString());
        if (!wave)
            return fail(where + ".wave", QStringLiteral("must be sine, triangle, square, "
                                                        "sawtooth, drive or warmup"));
        out.wave = *wave;
        using Key = QLatin1StringView;
        bool read = false;
        switch (*wave) {
        case Wave::Drive:
            read = onlyKeys(object, where,
                            {Key("wave"), Key("quantity"), Key("phaseS"), Key("tail")}) &&
                   drive(object, *encoding, where, out);
            break;
        case Wave::Warmup:
            read = onlyKeys(object, where,
                            {Key("wave"), Key("start"), Key("end"), Key("timeConstantS"),
                             Key("tail")}) &&
                   limit(object, "start", *encoding, where, out.start) &&
                   limit(object, "end", *encoding, where, out.end) &&
                   positive(object, "timeConstantS", where, out.timeConstantS);
            break;
        default: // a periodic wave
            read = onlyKeys(object, where,
                            {Key("wave"), Key("min"), Key("max"), Key("periodS"), Key("phaseS"),
                             Key("tail")}) &&
                   limit(object, "min", *encoding, where, out.min) &&
                   limit(object, "max", *encoding, where, out.max) &&
                   positive(object, "periodS", where, out.periodS);
        }
        if (!read)
            return false;
        if (object.contains("phaseS") &&
            !number(object.value("phaseS"), where + ".phaseS", out.phaseS))
            return false;
        if (object.contains("tail")) {
            QByteArray tail;
            if (!bytes(object.value("tail"), where + ".tail", tail))
                return false;
            out.tail = tail;
        }
        return true;
    }

    bool positive(const QJsonObject& object, const char* key, const QString& where, double& out) {
        const QString at = where + "." + key;
        if (!number(object.value(key), at, out))
            return false;
        return out > 0 || fail(at, QStringLiteral("must be above 0"));
    }

    // A limit of the values a PID sends: every value lies between two such, so together they
    // decide whether the PID's bytes carry all of them.
    bool limit(const QJsonObject& object, const char* key, const PidEncoding& encoding,
               const QString& where, double& out) {
        const QString at = where + "." + key;
        if (!number(object.value(key), at, out))
            return false;
        return encoding.raw(out) ||
               fail(at, QStringLiteral("must be from %1 to %2 for this PID")
                            .arg(shortest(encoding.minValue()), shortest(encoding.maxValue())));
    }

    bool drive(const QJsonObject& object, const PidEncoding& encoding, const QString& where,
               MovingValue& out) {
        const std::optional<DriveQuantity> quantity =
            driveQuantityFromName(object.value("quantity").toString());
        if (!quantity)
            return fail(where + ".quantity",
                        QStringLiteral("must be speed, rpm, throttle, load, airflow or lambda"));
        out.quantity = *quantity;
        // The drive's values start at 0 or above, which every PID carries.
        const double peak = drivePeak(*quantity);
        return encoding.raw(peak) ||
               fail(where + ".quantity",
                    QStringLiteral("reaches %1, more than this PID carries (%2)")
                        .arg(shortest(peak), shortest(encoding.maxValue())));
    }

    // A PID given by the profile; the support maps are not, they follow from the others.
    bool pidKey(const QString& key, const QString& at, quint8& pid) {
        if (!hexByte(QJsonValue(key), at, pid))
            return false;
        if (pid % 0x20 == 0)
            return fail(at, QStringLiteral("support maps are derived from the other PIDs"));
        return true;
    }

    // Walks an object keyed by PID, handing each entry to `read`.
    template <typename Read>
    bool eachPid(const QJsonValue& value, const QString& where, Read read) {
        if (value.isUndefined())
            return true;
        if (!value.isObject())
            return fail(where, QStringLiteral("must be an object"));
        const QJsonObject map = value.toObject();
        for (auto it = map.begin(); it != map.end(); ++it) {
            const QString at = where + "." + it.key();
            quint8 pid = 0;
            if (!pidKey(it.key(), at, pid) || !read(pid, it.value(), at))
                return false;
        }
        return true;
    }

    bool freezeFrame(const QJsonValue& value, const QString& where,
                     std::map<quint8, QByteArray>& out) {
        return eachPid(value, where, [&](quint8 pid, const QJsonValue& data, const QString& at) {
            return bytes(data, at, out[pid]);
        });
    }

    bool codes(const QJsonValue& value, const QString& where, std::vector<quint16>& out) {
        if (value.isUndefined())
            return true;
        if (!value.isArray())
            return fail(where, QStringLiteral("must be an array of trouble codes"));
        const QJsonArray items = value.toArray();
        out.clear();
        for (qsizetype i = 0; i < items.size(); ++i) {
            const QByteArray text = items.at(i).toString().toLatin1();
            if (!items.at(i).isString() || text.size() != 4 || !isHex(text))
                return fail(QStringLiteral("%1[%2]").arg(where).arg(i),
                            QStringLiteral("must be four hexadecimal digits"));
            out.push_back(static_cast<quint16>(text.toUInt(nullptr, 16)));
        }
        return true;
    }

    bool pids(const QJsonValue& value, const QString& where, std::map<quint8, PidSource>& out) {
        return eachPid(value, where, [&](quint8 pid, const QJsonValue& data, const QString& at) {
            if (out.count(pid))
                return fail(at, QStringLiteral("given twice"));
            if (data.isObject()) {
                MovingValue moving;
                if (!this->moving(data.toObject(), pid, at, moving))
                    return false;
                out[pid] = moving;
                return true;
            }
            QByteArray fixed;
            if (!bytes(data, at, fixed))
                return false;
            out[pid] = fixed;
            return true;
        });
    }

    bool o2Tests(const QJsonValue& value, const QString& where, O2TestResults& out) {
        if (!value.isObject())
            return fail(where, QStringLiteral("must be an object"));
        const QJsonObject object = value.toObject();
        if (!onlyKeys(object, where,
                      {QLatin1StringView("supportReplyId"), QLatin1StringView("sensors")}))
            return false;
        if (object.contains("supportReplyId")) {
            const QString at = where + ".supportReplyId";
            if (!hexByte(object.value("supportReplyId"), at, out.supportReplyId))
                return false;
            if (out.supportReplyId != 0x45 && out.supportReplyId != 0x46)
                return fail(at, QStringLiteral("must be 45 or 46"));
        }
        const QJsonValue sensors = object.value("sensors");
        if (!sensors.isObject())
            return fail(where + ".sensors", QStringLiteral("must be an object"));
        const QJsonObject bySensor = sensors.toObject();
        for (auto sensor = bySensor.begin(); sensor != bySensor.end(); ++sensor) {
            const QString at = where + ".sensors." + sensor.key();
            quint8 code = 0;
            if (!hexByte(QJsonValue(sensor.key()), at, code))
                return false;
            if (code == 0 || (code & (code - 1)) != 0)
                return fail(at, QStringLiteral("must be a sensor code: 01, 02, 04 ... 80"));
            if (!sensor.value().isObject())
                return fail(at, QStringLiteral("must be an object"));
            const QJsonObject byTest = sensor.value().toObject();
            std::map<quint8, QByteArray>& tests = out.sensors[code];
            for (auto test = byTest.begin(); test != byTest.end(); ++test) {
                const QString testAt = at + "." + test.key();
                quint8 id = 0;
                QByteArray data;
                if (!hexByte(QJsonValue(test.key()), testAt, id) ||
                    !bytes(test.value(), testAt, data))
                    return false;
                if (id < 1 || id > 9)
                    return fail(testAt, QStringLiteral("must be a test id from 01 to 09"));
                const int wanted = id <= 4 ? 1 : 3;
                if (data.size() != wanted)
                    return fail(testAt, wanted == 1 ? QStringLiteral("must be one byte (the value)")
                                                    : QStringLiteral("must be three bytes (value, "
                                                                     "minimum, maximum)"));
                tests[id] = data;
            }
        }
        return true;
    }

    bool monitorTest(const QJsonValue& value, const QString& where, MonitorTest& out) {
        const QJsonObject object = value.toObject();
        using Key = QLatin1StringView;
        if (!value.isObject())
            return fail(where, QStringLiteral("must be an object"));
        if (!onlyKeys(object, where, {Key("value"), Key("min"), Key("max")}))
            return false;
        if (object.contains("min") == object.contains("max"))
            return fail(where, QStringLiteral("wants one limit, min or max"));
        out.minimum = object.contains("min");
        int number = 0;
        if (!integer(object.value("value"), where + ".value", 0, 0xFFFF, number))
            return false;
        out.value = quint16(number);
        const char* limit = out.minimum ? "min" : "max";
        if (!integer(object.value(limit), where + "." + limit, 0, 0xFFFF, number))
            return false;
        out.limit = quint16(number);
        return true;
    }

    bool monitorTests(const QJsonValue& value, const QString& where,
                      std::map<quint8, std::map<quint8, MonitorTest>>& out) {
        if (value.isUndefined())
            return true;
        if (!value.isObject())
            return fail(where, QStringLiteral("must be an object"));
        const QJsonObject tests = value.toObject();
        for (auto test = tests.begin(); test != tests.end(); ++test) {
            const QString at = where + "." + test.key();
            quint8 testId = 0;
            if (!hexByte(QJsonValue(test.key()), at, testId))
                return false;
            if (testId == 0)
                return fail(at, QStringLiteral("the supported-tests map is derived from the "
                                               "other tests"));
            if (!test.value().isObject())
                return fail(at, QStringLiteral("must be an object"));
            const QJsonObject components = test.value().toObject();
            for (auto component = components.begin(); component != components.end(); ++component) {
                const QString cat = at + "." + component.key();
                quint8 componentId = 0;
                if (!hexByte(QJsonValue(component.key()), cat, componentId))
                    return false;
                if (componentId > 0x7F)
                    return fail(cat, QStringLiteral("a component ID is 00 to 7F"));
                if (!monitorTest(component.value(), cat, out[testId][componentId]))
                    return false;
            }
        }
        return true;
    }

    bool ecu(const QJsonValue& value, const QString& where, Ecu& out) {
        if (!value.isObject())
            return fail(where, QStringLiteral("must be an object"));
        const QJsonObject object = value.toObject();
        if (!onlyKeys(object, where,
                      {QLatin1StringView("address"), QLatin1StringView("pids"),
                       QLatin1StringView("freezeFrame"), QLatin1StringView("storedCodes"),
                       QLatin1StringView("pendingCodes"), QLatin1StringView("mil"),
                       QLatin1StringView("clearRefused"), QLatin1StringView("o2Tests"),
                       QLatin1StringView("monitorTests")}))
            return false;
        if (!object.contains("address"))
            return fail(where, QStringLiteral("address is missing"));
        if (!hexByte(object.value("address"), where + ".address", out.address) ||
            !pids(object.value("pids"), where + ".pids", out.pids) ||
            !freezeFrame(object.value("freezeFrame"), where + ".freezeFrame", out.freezeFrame) ||
            !codes(object.value("storedCodes"), where + ".storedCodes", out.storedCodes) ||
            !codes(object.value("pendingCodes"), where + ".pendingCodes", out.pendingCodes))
            return false;
        // The ECU would answer service $02 as one without OBD data, so the frame could never be
        // seen; better to say so than to ignore it.
        if (!out.freezeFrame.empty() && out.pids.empty())
            return fail(where + ".freezeFrame",
                        QStringLiteral("an ECU without pids has no freeze frame"));
        if (object.contains("mil")) {
            bool mil = false;
            if (!boolean(object.value("mil"), where + ".mil", mil))
                return false;
            out.mil = mil;
        } else if (object.contains("storedCodes")) {
            out.mil = !out.storedCodes.empty();
        }
        if (object.contains("clearRefused") &&
            !boolean(object.value("clearRefused"), where + ".clearRefused", out.clearRefused))
            return false;
        if (object.contains("o2Tests") &&
            !o2Tests(object.value("o2Tests"), where + ".o2Tests", out.o2Tests.emplace()))
            return false;
        return monitorTests(object.value("monitorTests"), where + ".monitorTests",
                            out.monitorTests);
    }

    bool profile(const QByteArray& json, Profile& out) {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
        if (parseError.error != QJsonParseError::NoError)
            return fail({}, QStringLiteral("not valid JSON at offset %1: %2")
                                .arg(parseError.offset)
                                .arg(parseError.errorString()));
        if (!document.isObject())
            return fail({}, QStringLiteral("a profile is a JSON object"));
        const QJsonObject object = document.object();
        if (!onlyKeys(object, {},
                      {QLatin1StringView("leadingChar"), QLatin1StringView("firmware"),
                       QLatin1StringView("markerPeriodMs"), QLatin1StringView("latencyMs"),
                       QLatin1StringView("paced"), QLatin1StringView("reachable"),
                       QLatin1StringView("protocol"), QLatin1StringView("ecus")}))
            return false;
        if (object.contains("leadingChar")) {
            QByteArray leading;
            if (!text(object.value("leadingChar"), "leadingChar", 1, leading))
                return false;
            if (leading.size() != 1)
                return fail("leadingChar", QStringLiteral("must be one character"));
            out.leadingChar = leading.front();
        }
        if (object.contains("firmware") &&
            !text(object.value("firmware"), "firmware", 0, out.firmware))
            return false;
        if (object.contains("markerPeriodMs") &&
            !integer(object.value("markerPeriodMs"), "markerPeriodMs", 1, 60000,
                     out.markerPeriodMs))
            return false;
        if (object.contains("latencyMs") &&
            !integer(object.value("latencyMs"), "latencyMs", 0, 60000, out.latencyMs))
            return false;
        if (object.contains("paced") && !boolean(object.value("paced"), "paced", out.paced))
            return false;
        if (object.contains("reachable") &&
            !boolean(object.value("reachable"), "reachable", out.reachable))
            return false;
        if (object.contains("protocol")) {
            QByteArray protocol;
            if (!text(object.value("protocol"), "protocol", 1, protocol))
                return false;
            if (protocol.size() != 1)
                return fail("protocol", QStringLiteral("must be one character"));
            out.protocol = protocol.front();
        }
        if (object.contains("ecus")) {
            const QJsonArray ecus = object.value("ecus").toArray();
            if (!object.value("ecus").isArray() || ecus.isEmpty())
                return fail("ecus", QStringLiteral("must be an array of at least one ECU"));
            out.ecus.clear();
            for (qsizetype i = 0; i < ecus.size(); ++i) {
                Ecu e;
                if (!ecu(ecus.at(i), QStringLiteral("ecus[%1]").arg(i), e))
                    return false;
                out.ecus.push_back(std::move(e));
            }
        }
        return true;
    }

private:
    QString* error_;
};

std::optional<Profile> read(Profile base, const QByteArray& json, QString* error) {
    if (!Reader(error).profile(json, base))
        return std::nullopt;
    return base;
}

} // namespace

Profile Profile::defaults() {
    QFile file(QStringLiteral(":/sim/default.json"));
    QString error;
    std::optional<Profile> profile;
    if (file.open(QIODevice::ReadOnly))
        profile = read(Profile{}, file.readAll(), &error);
    else
        error = file.errorString();
    // The resource is part of the build; losing it is a build fault, not a user error.
    if (!profile)
        qFatal("built-in simulator profile: %s", qPrintable(error));
    return *profile;
}

std::optional<Profile> Profile::fromJson(const QByteArray& json, QString* error) {
    return read(defaults(), json, error);
}

std::optional<Profile> Profile::fromFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = path + QStringLiteral(": ") + file.errorString();
        return std::nullopt;
    }
    QString reason;
    std::optional<Profile> profile = fromJson(file.readAll(), &reason);
    if (!profile && error)
        *error = path + QStringLiteral(": ") + reason;
    return profile;
}

} // namespace sim
