// SPDX-License-Identifier: GPL-3.0-or-later
#include "profile.h"

#include "frames.h"
#include "json_reader.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <limits>

namespace sim {

namespace {

using Reader = JsonReader;

// A moving value being read: the PID's encoding says which values its bytes carry.
struct Moving {
    MovingValue& value;
    PidEncoding encoding;
};

// Row readers that read a value into one member of what is being read.
template <typename T, bool T::*member>
bool flag(Reader& r, const QJsonValue& v, const QString& at, T& out) {
    return r.boolean(v, at, out.*member);
}
template <typename T, char T::*member>
bool letter(Reader& r, const QJsonValue& v, const QString& at, T& out) {
    return r.character(v, at, out.*member);
}
template <typename T, int T::*member, int min, int max>
bool whole(Reader& r, const QJsonValue& v, const QString& at, T& out) {
    return r.integer(v, at, min, max, out.*member);
}

// A limit of the values a PID sends: every value lies between two such, so together they decide
// whether the PID's bytes carry all of them.
bool limit(Reader& r, const QJsonValue& value, const QString& at, const PidEncoding& encoding,
           double& out) {
    if (!r.number(value, at, out))
        return false;
    return encoding.raw(out) || r.fail(at, QStringLiteral("must be from %1 to %2 for this PID")
                                               .arg(Reader::shortest(encoding.minValue()),
                                                    Reader::shortest(encoding.maxValue())));
}

bool quantity(Reader& r, const QJsonValue& value, const QString& at, Moving& out) {
    const std::optional<DriveQuantity> quantity = driveQuantityFromName(value.toString());
    if (!quantity)
        return r.fail(at, QStringLiteral("must be speed, rpm, throttle, load, airflow or lambda"));
    out.value.quantity = *quantity;
    // The drive's values start at 0 or above, which every PID carries.
    const double peak = drivePeak(*quantity);
    return out.encoding.raw(peak) ||
           r.fail(at, QStringLiteral("reaches %1, more than this PID carries (%2)")
                          .arg(Reader::shortest(peak), Reader::shortest(out.encoding.maxValue())));
}

template <double MovingValue::*member>
bool limitOf(Reader& r, const QJsonValue& v, const QString& at, Moving& out) {
    return limit(r, v, at, out.encoding, out.value.*member);
}
template <double MovingValue::*member>
bool positiveOf(Reader& r, const QJsonValue& v, const QString& at, Moving& out) {
    return r.positive(v, at, out.value.*member);
}

// The keys every wave takes: its name, already read, and the bytes after the value.
constexpr JsonField<Moving> kWave{
    "wave", [](Reader&, const QJsonValue&, const QString&, Moving&) { return true; }};
constexpr JsonField<Moving> kTail{
    "tail", [](Reader& r, const QJsonValue& v, const QString& at, Moving& out) {
        return r.bytes(v, at, out.value.tail.emplace());
    }};
constexpr JsonField<Moving> kPhase{"phaseS",
                                   [](Reader& r, const QJsonValue& v, const QString& at,
                                      Moving& out) { return r.number(v, at, out.value.phaseS); }};

const JsonField<Moving> kDriveFields[] = {kWave, {"quantity", quantity, true}, kPhase, kTail};
const JsonField<Moving> kWarmupFields[] = {
    kWave,
    {"start", limitOf<&MovingValue::start>, true},
    {"end", limitOf<&MovingValue::end>, true},
    {"timeConstantS", positiveOf<&MovingValue::timeConstantS>, true},
    kTail};
const JsonField<Moving> kPeriodicFields[] = {kWave,
                                             {"min", limitOf<&MovingValue::min>, true},
                                             {"max", limitOf<&MovingValue::max>, true},
                                             {"periodS", positiveOf<&MovingValue::periodS>, true},
                                             kPhase,
                                             kTail};

bool moving(Reader& r, const QJsonValue& value, quint8 pid, const QString& where,
            MovingValue& out) {
    const std::optional<PidEncoding> encoding = movingEncoding(pid);
    if (!encoding)
        return r.fail(where, QStringLiteral("this PID cannot move with time; give its bytes"));
    const std::optional<Wave> wave = waveFromName(value.toObject().value("wave").toString());
    if (!wave)
        return r.fail(where + ".wave",
                      QStringLiteral("must be sine, triangle, square, sawtooth, drive or warmup"));
    out.wave = *wave;
    Moving moving{out, *encoding};
    switch (*wave) {
    case Wave::Drive:
        return r.fields(value, where, kDriveFields, moving);
    case Wave::Warmup:
        return r.fields(value, where, kWarmupFields, moving);
    default:
        return r.fields(value, where, kPeriodicFields, moving);
    }
}

// A PID given by the profile; the support maps are not, they follow from the others.
bool pidKey(Reader& r, quint8 pid, const QString& at) {
    return pid % 0x20 != 0 ||
           r.fail(at, QStringLiteral("support maps are derived from the other PIDs"));
}

bool pids(Reader& r, const QJsonValue& value, const QString& where, Ecu& ecu) {
    auto& out = ecu.pids;
    return r.byHexKey(value, where, [&](quint8 pid, const QJsonValue& data, const QString& at) {
        if (!pidKey(r, pid, at))
            return false;
        if (out.count(pid))
            return r.fail(at, QStringLiteral("given twice"));
        if (data.isObject())
            return moving(r, data, pid, at, std::get<MovingValue>(out[pid] = MovingValue{}));
        return r.bytes(data, at, std::get<QByteArray>(out[pid] = QByteArray{}));
    });
}

// Support maps as given: by service, by map id ($00, $20 ...), four bytes each.
bool supportMaps(Reader& r, const QJsonValue& value, const QString& where, Ecu& ecu) {
    return r.byHexKey(value, where, [&](quint8 service, const QJsonValue& maps, const QString& at) {
        if (service != 0x01 && service != 0x02 && service != 0x06 && service != 0x09)
            return r.fail(at, QStringLiteral("only services 01, 02, 06 and 09 have support maps"));
        auto& out = ecu.supportMaps[service];
        return r.byHexKey(maps, at, [&](quint8 id, const QJsonValue& data, const QString& mapAt) {
            if (id % 0x20 != 0)
                return r.fail(mapAt, QStringLiteral("only the support maps 00, 20 ... E0"));
            return r.bytes(data, mapAt, out[id]) &&
                   (out[id].size() == 4 || r.fail(mapAt, QStringLiteral("must be four bytes")));
        });
    });
}

bool freezeFrame(Reader& r, const QJsonValue& value, const QString& where, Ecu& out) {
    return r.byHexKey(value, where, [&](quint8 pid, const QJsonValue& data, const QString& at) {
        return pidKey(r, pid, at) && r.bytes(data, at, out.freezeFrame[pid]);
    });
}

// An array whose items `item` reads, at most `most` of them.
template <typename T, typename Item>
bool array(Reader& r, const QJsonValue& value, const QString& where, const QString& what,
           qsizetype most, std::vector<T>& out, Item item) {
    const QJsonArray items = value.toArray();
    if (!value.isArray() || items.size() > most)
        return r.fail(where, QStringLiteral("must be an array of %1").arg(what));
    out.assign(std::size_t(items.size()), T{});
    for (qsizetype i = 0; i < items.size(); ++i)
        if (!item(items.at(i), QStringLiteral("%1[%2]").arg(where).arg(i), out[std::size_t(i)]))
            return false;
    return true;
}

// Requests as hex: a service and up to six bytes after it.
template <std::set<QByteArray> Ecu::*member>
bool requests(Reader& r, const QJsonValue& value, const QString& where, Ecu& ecu) {
    std::vector<QByteArray> items;
    if (!array(r, value, where, QStringLiteral("requests"), std::numeric_limits<qsizetype>::max(),
               items, [&r](const QJsonValue& item, const QString& at, QByteArray& out) {
                   out = item.toString().toLatin1();
                   if (!item.isString() || out.isEmpty() || out.size() > 14 || out.size() % 2 ||
                       !isHex(out))
                       return r.fail(at, QStringLiteral("must be a request: 2 to 14 hex digits"));
                   out = QByteArray::fromHex(out);
                   return true;
               }))
        return false;
    (ecu.*member).insert(items.begin(), items.end());
    return true;
}

bool hexDigits(Reader& r, const QJsonValue& value, const QString& at, int digits, QByteArray& out) {
    out = value.toString().toLatin1();
    return (value.isString() && out.size() == digits && isHex(out)) ||
           r.fail(at, QStringLiteral("must be %1 hexadecimal digits").arg(digits));
}

// Printable ASCII text of `least` to `most` characters.
bool sizedText(Reader& r, const QJsonValue& value, const QString& at, int least, int most,
               QByteArray& out) {
    if (!r.text(value, at, 0, out))
        return false;
    if (out.size() >= least && out.size() <= most)
        return true;
    return r.fail(at, least == most
                          ? QStringLiteral("must be %1 characters").arg(most)
                          : QStringLiteral("must be %1 to %2 characters").arg(least).arg(most));
}

template <std::vector<quint16> Ecu::*member>
bool codes(Reader& r, const QJsonValue& value, const QString& where, Ecu& ecu) {
    return array(r, value, where, QStringLiteral("trouble codes"),
                 std::numeric_limits<qsizetype>::max(), ecu.*member,
                 [&r](const QJsonValue& item, const QString& at, quint16& out) {
                     QByteArray text;
                     if (!hexDigits(r, item, at, 4, text))
                         return false;
                     out = static_cast<quint16>(text.toUInt(nullptr, 16));
                     return true;
                 });
}

// Vehicle information. So many items that their count or the messages' numbers would not fit
// in a byte are refused.
constexpr qsizetype kMostInformationItems = 63;

bool calibrationIds(Reader& r, const QJsonValue& value, const QString& where, Ecu& ecu) {
    return array(r, value, where, QStringLiteral("at most 63 calibration IDs"),
                 kMostInformationItems, ecu.calibrationIds,
                 [&r](const QJsonValue& item, const QString& at, QByteArray& out) {
                     return sizedText(r, item, at, 1, 16, out);
                 });
}

bool cvns(Reader& r, const QJsonValue& value, const QString& where, Ecu& ecu) {
    return array(r, value, where, QStringLiteral("at most 63 CVNs"), kMostInformationItems,
                 ecu.cvns, [&r](const QJsonValue& item, const QString& at, QByteArray& out) {
                     if (!hexDigits(r, item, at, 8, out))
                         return false;
                     out = QByteArray::fromHex(out);
                     return true;
                 });
}

// By sensor code, by test id: the test's bytes.
bool o2Sensors(Reader& r, const QJsonValue& value, const QString& where, O2TestResults& out) {
    return r.byHexKey(value, where, [&](quint8 code, const QJsonValue& tests, const QString& at) {
        if (code == 0 || (code & (code - 1)) != 0)
            return r.fail(at, QStringLiteral("must be a sensor code: 01, 02, 04 ... 80"));
        auto& byTest = out.sensors[code];
        return r.byHexKey(tests, at, [&](quint8 id, const QJsonValue& data, const QString& testAt) {
            if (!r.bytes(data, testAt, byTest[id]))
                return false;
            if (id < 1 || id > 9)
                return r.fail(testAt, QStringLiteral("must be a test id from 01 to 09"));
            const int wanted = id <= 4 ? 1 : 3;
            if (byTest[id].size() != wanted)
                return r.fail(testAt, wanted == 1 ? QStringLiteral("must be one byte (the value)")
                                                  : QStringLiteral("must be three bytes (value, "
                                                                   "minimum, maximum)"));
            return true;
        });
    });
}

const JsonField<O2TestResults> kO2Fields[] = {
    {"supportReplyId",
     [](Reader& r, const QJsonValue& v, const QString& at, O2TestResults& out) {
         if (!r.hexByte(v, at, out.supportReplyId))
             return false;
         return out.supportReplyId == 0x45 || out.supportReplyId == 0x46 ||
                r.fail(at, QStringLiteral("must be 45 or 46"));
     }},
    {"sensors", o2Sensors, true},
};

// One limit, a minimum or a maximum.
bool monitorLimit(Reader& r, const QJsonValue& value, const QString& at, MonitorTest& out,
                  bool minimum) {
    int number = 0;
    if (!r.integer(value, at, 0, 0xFFFF, number))
        return false;
    out.limit = quint16(number);
    out.minimum = minimum;
    return true;
}

const JsonField<MonitorTest> kMonitorTestFields[] = {
    {"value",
     [](Reader& r, const QJsonValue& v, const QString& at, MonitorTest& out) {
         int number = 0;
         if (!r.integer(v, at, 0, 0xFFFF, number))
             return false;
         out.value = quint16(number);
         return true;
     },
     true},
    {"min", [](Reader& r, const QJsonValue& v, const QString& at,
               MonitorTest& out) { return monitorLimit(r, v, at, out, true); }},
    {"max", [](Reader& r, const QJsonValue& v, const QString& at,
               MonitorTest& out) { return monitorLimit(r, v, at, out, false); }},
};

// By test ID, by component ID.
bool monitorTests(Reader& r, const QJsonValue& value, const QString& where, Ecu& ecu) {
    auto& out = ecu.monitorTests;
    return r.byHexKey(
        value, where, [&](quint8 test, const QJsonValue& components, const QString& at) {
            if (test == 0)
                return r.fail(
                    at, QStringLiteral("the supported-tests map is derived from the other tests"));
            return r.byHexKey(
                components, at,
                [&](quint8 id, const QJsonValue& result, const QString& componentAt) {
                    if (id > 0x7F)
                        return r.fail(componentAt, QStringLiteral("a component ID is 00 to 7F"));
                    const bool oneLimit =
                        result.toObject().contains("min") != result.toObject().contains("max");
                    return r.fields(result, componentAt, kMonitorTestFields, out[test][id]) &&
                           (oneLimit ||
                            r.fail(componentAt, QStringLiteral("wants one limit, min or max")));
                });
        });
}

template <quint8 ObdMonitorTest::*member>
bool monitorByte(Reader& r, const QJsonValue& v, const QString& at, ObdMonitorTest& out) {
    return r.hexByte(v, at, out.*member);
}
template <quint16 ObdMonitorTest::*member>
bool monitorWord(Reader& r, const QJsonValue& v, const QString& at, ObdMonitorTest& out) {
    int number = 0;
    if (!r.integer(v, at, 0, 0xFFFF, number))
        return false;
    out.*member = quint16(number);
    return true;
}

const JsonField<ObdMonitorTest> kObdMonitorTestFields[] = {
    {"tid", monitorByte<&ObdMonitorTest::tid>, true},
    {"unit", monitorByte<&ObdMonitorTest::unit>, true},
    {"value", monitorWord<&ObdMonitorTest::value>, true},
    {"min", monitorWord<&ObdMonitorTest::min>, true},
    {"max", monitorWord<&ObdMonitorTest::max>, true},
};

// So many tests that the monitor's answer (1 + 9 bytes a test) would outgrow the 4095 bytes of
// one ISO 15765 message are refused.
constexpr qsizetype kMostMonitorTests = (4095 - 1) / 9;

// By monitor ID, its tests.
bool obdMonitors(Reader& r, const QJsonValue& value, const QString& where, Ecu& ecu) {
    return r.byHexKey(value, where, [&](quint8 id, const QJsonValue& tests, const QString& at) {
        if (id % 0x20 == 0)
            return r.fail(at, QStringLiteral("support maps are derived from the other monitors"));
        if (tests.toArray().isEmpty())
            return r.fail(at, QStringLiteral("must be an array of 1 to 454 tests"));
        return array(r, tests, at, QStringLiteral("1 to 454 tests"), kMostMonitorTests,
                     ecu.obdMonitors[id],
                     [&r](const QJsonValue& item, const QString& testAt, ObdMonitorTest& out) {
                         return r.fields(item, testAt, kObdMonitorTestFields, out);
                     });
    });
}

const JsonField<Ecu> kEcuFields[] = {
    {"address", [](Reader& r, const QJsonValue& v, const QString& at,
                   Ecu& out) { return r.hexByte(v, at, out.address); }},
    {"pids", pids},
    {"freezeFrame", freezeFrame},
    {"supportMaps", supportMaps},
    {"unanswered", requests<&Ecu::unanswered>},
    {"refused", requests<&Ecu::refused>},
    {"garbled", requests<&Ecu::garbled>},
    {"storedCodes", codes<&Ecu::storedCodes>},
    {"pendingCodes", codes<&Ecu::pendingCodes>},
    {"mil", [](Reader& r, const QJsonValue& v, const QString& at,
               Ecu& out) { return r.boolean(v, at, out.mil.emplace()); }},
    {"clearRefused", flag<Ecu, &Ecu::clearRefused>},
    {"o2Tests", [](Reader& r, const QJsonValue& v, const QString& at,
                   Ecu& out) { return r.fields(v, at, kO2Fields, out.o2Tests.emplace()); }},
    {"monitorTests", monitorTests},
    {"obdMonitors", obdMonitors},
    {"permanentCodes", codes<&Ecu::permanentCodes>},
    {"permanentRefused", flag<Ecu, &Ecu::permanentRefused>},
    {"vin", [](Reader& r, const QJsonValue& v, const QString& at,
               Ecu& out) { return sizedText(r, v, at, 17, 17, out.vin.emplace()); }},
    {"calibrationIds", calibrationIds},
    {"cvns", cvns},
    {"ecuName", [](Reader& r, const QJsonValue& v, const QString& at,
                   Ecu& out) { return sizedText(r, v, at, 1, 20, out.ecuName.emplace()); }},
    {"vinFrameMissing", flag<Ecu, &Ecu::vinFrameMissing>},
};

bool ecu(Reader& r, const QJsonValue& value, const QString& where, Ecu& out) {
    if (!r.fields(value, where, kEcuFields, out))
        return false;
    const QJsonObject object = value.toObject();
    if (!object.contains("address"))
        return r.fail(where, QStringLiteral("address is missing"));
    // The ECU would answer service $02 as one without OBD data, so the frame could never be
    // seen; better to say so than to ignore it.
    if (!out.freezeFrame.empty() && out.pids.empty())
        return r.fail(where + ".freezeFrame",
                      QStringLiteral("an ECU without pids has no freeze frame"));
    if (!object.contains("mil") && object.contains("storedCodes"))
        out.mil = !out.storedCodes.empty();
    return true;
}

bool ecus(Reader& r, const QJsonValue& value, const QString& where, Profile& out) {
    const QJsonArray items = value.toArray();
    if (!value.isArray() || items.isEmpty())
        return r.fail(where, QStringLiteral("must be an array of at least one ECU"));
    out.ecus.assign(std::size_t(items.size()), Ecu{});
    for (qsizetype i = 0; i < items.size(); ++i)
        if (!ecu(r, items.at(i), QStringLiteral("%1[%2]").arg(where).arg(i), out.ecus[i]))
            return false;
    return true;
}

const JsonField<Profile> kProfileFields[] = {
    {"leadingChar", letter<Profile, &Profile::leadingChar>},
    {"firmware", [](Reader& r, const QJsonValue& v, const QString& at,
                    Profile& out) { return r.text(v, at, 0, out.firmware); }},
    {"markerPeriodMs", whole<Profile, &Profile::markerPeriodMs, 1, 60000>},
    {"latencyMs", whole<Profile, &Profile::latencyMs, 0, 60000>},
    {"paced", flag<Profile, &Profile::paced>},
    {"reachable", flag<Profile, &Profile::reachable>},
    {"protocol", letter<Profile, &Profile::protocol>},
    {"adapter",
     [](Reader& r, const QJsonValue& v, const QString& at, Profile& out) {
         const QString name = v.toString();
         if (name != QLatin1String("box") && name != QLatin1String("elm327"))
             return r.fail(at, QStringLiteral("must be box or elm327"));
         out.elm327 = name == QLatin1String("elm327");
         return true;
     }},
    {"bus",
     [](Reader& r, const QJsonValue& v, const QString& at, Profile& out) {
         out.bus = elmProtocolFromName(v.toString());
         return out.bus || r.fail(at, QStringLiteral("must be one of %1").arg(elmProtocolNames()));
     }},
    {"adapterIdentity", [](Reader& r, const QJsonValue& v, const QString& at,
                           Profile& out) { return r.text(v, at, 1, out.adapterIdentity); }},
    {"ecus", ecus},
};

std::optional<Profile> read(Profile base, const QByteArray& json, QString* error) {
    JsonReader reader(error);
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        reader.fail({}, QStringLiteral("not valid JSON at offset %1: %2")
                            .arg(parseError.offset)
                            .arg(parseError.errorString()));
        return std::nullopt;
    }
    if (!document.isObject()) {
        reader.fail({}, QStringLiteral("a profile is a JSON object"));
        return std::nullopt;
    }
    if (!reader.fields(QJsonValue(document.object()), {}, kProfileFields, base))
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
