// SPDX-License-Identifier: GPL-3.0-or-later
#include "car_capture.h"

#include "core/number_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace app {

namespace {

constexpr quint8 kO2Service = 0x05;
constexpr quint8 kMonitorService = 0x06;

QJsonArray bytesJson(const QByteArray& bytes) {
    QJsonArray array;
    for (const char byte : bytes)
        array.append(int(quint8(byte)));
    return array;
}

QJsonArray textsJson(const QStringList& texts) {
    QJsonArray array;
    for (const QString& text : texts)
        array.append(text);
    return array;
}

template <typename Map, typename Value> QJsonObject byHex(const Map& map, Value value) {
    QJsonObject object;
    for (const auto& [id, item] : map)
        object.insert(core::hexByte(id), value(item));
    return object;
}

QJsonArray requestsJson(const std::set<QByteArray>& requests) {
    QJsonArray array;
    for (const QByteArray& request : requests)
        array.append(QString::fromLatin1(request.toHex().toUpper()));
    return array;
}

// An O2 sensor test is the same test in either O2 service; on CAN service $06 asks a monitor,
// which has one byte after the service.
bool isO2Test(const scan::ObdRequest& request) {
    return request.service == kO2Service ||
           (request.service == kMonitorService && request.parameters.size() == 2);
}

// The request as a profile names it: the service and the bytes the program asks after it. An O2
// test is named in service $05 whichever service asks it; the support answer (test $00) is asked
// in $05 and then, when it sends the program there, in $06.
QByteArray requestKey(const scan::ObdRequest& request) {
    const bool test =
        isO2Test(request) && !request.parameters.isEmpty() && request.parameters.front() != 0;
    const quint8 service = test ? kO2Service : request.service;
    return QByteArray(1, char(service)) + request.parameters;
}

quint16 word(const QByteArray& bytes, int at) {
    return quint16(quint8(bytes[at]) << 8 | quint8(bytes[at + 1]));
}

// The bus a profile names for an adapter's protocol number (ATDPN); empty for one the
// simulated adapter does not know.
QString busName(const QString& protocol) {
    static const std::map<QString, QString> names{{"1", "j1850"}, {"2", "j1850"}, {"3", "iso9141"},
                                                  {"4", "kwp"},   {"5", "kwp"},   {"6", "can11"},
                                                  {"7", "can29"}, {"8", "can11"}, {"9", "can29"}};
    const auto found = names.find(protocol);
    return found == names.end() ? QString() : found->second;
}

} // namespace

CarCapture::Ecu& CarCapture::ecu(quint8 address) {
    for (Ecu& known : ecus_)
        if (known.address == address)
            return known;
    ecus_.push_back(Ecu{});
    ecus_.back().address = address;
    return ecus_.back();
}

void CarCapture::answered(const scan::ObdRequest& request, const scan::ObdAnswer& answer) {
    const QByteArray asked = requestKey(request);
    if (answer.ended()) // the scan tool's doing or the user's, not the car's
        return;
    if (!answer.answered()) {
        // Several PIDs that went unanswered together are asked again one by one.
        if (!request.severalPids())
            missed(asked, answer.status());
        return;
    }
    if (answer.ecus().isEmpty()) {
        // The scan tool's "nothing to report": the ECU asked has no codes.
        if (current_ &&
            (request.service == 0x03 || request.service == 0x07 || request.service == 0x0A))
            keep(ecu(*current_), request, QByteArray(1, char(request.service + 0x40)));
        return;
    }
    answeredBy(answer.ecus().front().address);
    if (request.severalPids()) {
        for (const char pid : request.parameters) {
            const scan::ObdAnswer one = answer.ofPid(quint8(pid), scan::pidDataBytes(pid) + 1);
            for (const scan::EcuAnswer& each :
                 one.answered() ? one.ecus() : QList<scan::EcuAnswer>{})
                keep(ecu(each.address), {0x01, QByteArray(1, pid), 0, {}}, each.data);
        }
        return;
    }
    bool currentAnswered = false;
    for (const scan::EcuAnswer& each : answer.ecus()) {
        keep(ecu(each.address), request, each.data);
        currentAnswered = currentAnswered || each.address == *current_;
    }
    if (!currentAnswered)
        missed(asked, scan::AnswerStatus::EcuTimeout);
}

void CarCapture::answeredBy(quint8 address) {
    if (current_)
        return;
    current_ = address;
    for (const auto& [asked, status] : std::exchange(unattributed_, {}))
        missed(asked, status);
}

void CarCapture::missed(const QByteArray& asked, scan::AnswerStatus status) {
    // Before the first answer the ECU asked is not known; it is the one that answers first.
    if (!current_) {
        unattributed_.emplace_back(asked, status);
        return;
    }
    Ecu& silent = ecu(*current_);
    if (!silent.seen.insert(asked).second)
        return;
    // Through an adapter the silence of every ECU to an O2 test means the test is not offered;
    // this ECU was silent while another answered, which only an unreadable answer replays.
    if (throughAdapter_ && asked.startsWith(char(kO2Service)) &&
        status == scan::AnswerStatus::EcuTimeout)
        status = scan::AnswerStatus::Garbled;
    switch (status) {
    case scan::AnswerStatus::Refused:
        silent.refused.insert(asked);
        break;
    case scan::AnswerStatus::EcuTimeout:
        silent.unanswered.insert(asked);
        break;
    default: // what came could not be read, or nothing came in time
        silent.garbled.insert(asked);
        break;
    }
}

void CarCapture::keep(Ecu& ecu, const scan::ObdRequest& request, const QByteArray& data) {
    // The first outcome of a request is the one replayed.
    if (!ecu.seen.insert(requestKey(request)).second)
        return;
    // The data follows the response id and the id the request named.
    const quint8 id = request.parameters.isEmpty() ? 0 : quint8(request.parameters[0]);
    if (isO2Test(request)) {
        const quint8 sensor = request.parameters.size() > 1 ? quint8(request.parameters[1]) : 0;
        auto& tests = ecu.o2Tests[sensor];
        // The first support answer's response id says which service has the tests.
        if (id == 0 && request.service == kO2Service)
            ecu.o2SupportReplyId = quint8(data[0]);
        else if (id != 0)
            tests[id] = data.mid(2, id <= 4 ? 1 : 3);
        return;
    }
    switch (request.service) {
    case 0x01:
    case 0x02: {
        if (data.size() < 2 || quint8(data[1]) != id)
            return;
        // A freeze-frame answer names its frame after the PID. A PID keeps the length J1979
        // gives it: the box pads one asked for more bytes than it has, and the bytes after
        // those the program asked for (the trim byte of an O2 sensor's PID) are not known, so
        // they are zeros.
        QByteArray value = data.mid(request.service == 0x02 ? 3 : 2);
        if (const int length = id % 0x20 == 0 ? 4 : scan::pidDataBytes(id); length > 0)
            value = value.leftJustified(length, '\0', true);
        if (id % 0x20 == 0)
            ecu.maps[request.service][id] = value;
        else
            (request.service == 0x01 ? ecu.pids : ecu.freezeFrame)[id] = value;
        return;
    }
    case 0x03:
    case 0x07:
    case 0x0A: {
        QByteArray codes;
        for (qsizetype at = 1; at + 1 < data.size(); at += 2)
            if (data[at] != 0 || data[at + 1] != 0)
                codes += data.mid(at, 2);
        ecu.codes[request.service] = codes;
        return;
    }
    case kMonitorService: {
        // On CAN: a monitor's records, nine bytes a test, each starting with the monitor.
        if (id % 0x20 == 0) {
            ecu.maps[kMonitorService][id] = data.mid(2, 4).leftJustified(4, '\0');
            return;
        }
        const QByteArray records = data.mid(1);
        bool whole = !records.isEmpty() && records.size() % 9 == 0;
        for (qsizetype at = 0; whole && at < records.size(); at += 9)
            whole = quint8(records[at]) == id;
        if (whole)
            ecu.obdMonitors[id] = records;
        else
            ecu.garbled.insert(requestKey(request));
        return;
    }
    case 0x09:
        if (id % 0x20 == 0)
            ecu.maps[0x09][id] = data.mid(2, 4).leftJustified(4, '\0');
        return;
    default:
        return;
    }
}

void CarCapture::passedThrough(quint8 service, quint8 testId, quint8 componentId,
                               const scan::Driver::RawAnswer& answer) {
    const QByteArray asked =
        QByteArray(1, char(service)).append(char(testId)).append(char(componentId));
    if (service != kMonitorService || scan::endsOperation(answer.status))
        return;
    // Not acknowledged by the scan tool, the test was not read.
    if (answer.status == scan::AnswerStatus::Refused) {
        missed(asked, scan::AnswerStatus::Garbled);
        return;
    }
    if (answer.status != scan::AnswerStatus::Answered) {
        missed(asked, answer.status);
        return;
    }
    // The bus message: a three-byte header (the ECU's address last), then the answer.
    const auto& bytes = answer.bytes;
    if (bytes[3] != 0x46)
        return;
    answeredBy(bytes[2]);
    Ecu& from = ecu(bytes[2]);
    if (!from.seen.insert(asked).second)
        return;
    // A component ID is seven bits; the eighth marks the limit a minimum.
    if (testId == 0)
        from.maps[kMonitorService][0] = QByteArray(reinterpret_cast<const char*>(&bytes[6]), 4);
    else if (componentId <= 0x7F)
        from.monitorTests[testId][componentId] =
            QByteArray(reinterpret_cast<const char*>(&bytes[4]), 5);
}

void CarCapture::identified(const scan::Driver::Identity& identity) {
    if (identity.status == scan::AnswerStatus::Answered && !identity_)
        identity_ = identity;
}

void CarCapture::noteVehicleInfo(const diag::VehicleInfo& info) {
    if (!current_ || !info.unavailable.isEmpty())
        return;
    Ecu& of = ecu(*current_);
    if (of.information)
        return;
    of.information = info;
    const std::pair<const diag::InfoItem*, quint8> items[] = {
        {&info.vin, 0x02}, {&info.calibrationIds, 0x04}, {&info.cvns, 0x06}, {&info.ecuName, 0x0A}};
    // An answer the program could not read is not read in the replay either.
    for (const auto& [item, pid] : items) {
        const QByteArray asked = QByteArray(1, 0x09).append(char(pid));
        if (item->state == diag::InfoItem::State::NoAnswer && !of.unanswered.count(asked) &&
            !of.refused.count(asked))
            of.garbled.insert(asked);
    }
}

QJsonObject CarCapture::ecuProfile(const Ecu& ecu, const std::map<QString, QString>& vins) const {
    QJsonObject out;
    out.insert("address", core::hexByte(ecu.address));
    if (!ecu.maps.empty())
        out.insert("supportMaps",
                   byHex(ecu.maps, [](const auto& maps) { return byHex(maps, bytesJson); }));
    if (!ecu.pids.empty())
        out.insert("pids", byHex(ecu.pids, bytesJson));
    if (!ecu.freezeFrame.empty() && !ecu.pids.empty())
        out.insert("freezeFrame", byHex(ecu.freezeFrame, bytesJson));
    const std::pair<quint8, const char*> codeKeys[] = {
        {0x03, "storedCodes"}, {0x07, "pendingCodes"}, {0x0A, "permanentCodes"}};
    for (const auto& [service, key] : codeKeys) {
        const auto found = ecu.codes.find(service);
        if (found == ecu.codes.end())
            continue;
        QJsonArray codes;
        for (qsizetype at = 0; at + 1 < found->second.size(); at += 2)
            codes.append(QString::fromLatin1(found->second.mid(at, 2).toHex().toUpper()));
        out.insert(QLatin1String(key), codes);
    }
    // The MIL as PID $01 gave it, when the stored codes that the simulator counts beside it are
    // known; otherwise PID $01 stays as the car sent it.
    if (const auto status = ecu.pids.find(0x01);
        status != ecu.pids.end() && !status->second.isEmpty() && ecu.codes.count(0x03))
        out.insert("mil", (quint8(status->second[0]) & 0x80) != 0);
    if (!ecu.o2Tests.empty()) {
        auto sensors = ecu.o2Tests;
        // A test the support answer named and the car did not answer keeps its place in the
        // map, where the simulator finds the tests; its request stays as it was.
        for (const auto* missed : {&ecu.unanswered, &ecu.refused, &ecu.garbled})
            for (const QByteArray& request : *missed)
                if (request.size() == 3 && quint8(request[0]) == kO2Service && request[1] != 0)
                    sensors[quint8(request[2])].try_emplace(
                        quint8(request[1]), QByteArray(request[1] <= 4 ? 1 : 3, '\0'));
        QJsonObject o2{
            {"sensors", byHex(sensors, [](const auto& tests) { return byHex(tests, bytesJson); })}};
        if (ecu.o2SupportReplyId)
            o2.insert("supportReplyId", core::hexByte(*ecu.o2SupportReplyId));
        out.insert("o2Tests", o2);
    }
    if (!ecu.monitorTests.empty())
        out.insert("monitorTests", byHex(ecu.monitorTests, [](const auto& components) {
                       return byHex(components, [](const QByteArray& result) {
                           const bool minimum = quint8(result[0]) > 0x7F;
                           return QJsonObject{{"value", word(result, 1)},
                                              {minimum ? "min" : "max", word(result, 3)}};
                       });
                   }));
    if (!ecu.obdMonitors.empty())
        out.insert("obdMonitors", byHex(ecu.obdMonitors, [](const QByteArray& records) {
                       QJsonArray tests;
                       for (qsizetype at = 0; at + 8 < records.size(); at += 9)
                           tests.append(QJsonObject{{"tid", core::hexByte(records[at + 1])},
                                                    {"unit", core::hexByte(records[at + 2])},
                                                    {"value", word(records, at + 3)},
                                                    {"min", word(records, at + 5)},
                                                    {"max", word(records, at + 7)}});
                       return tests;
                   }));
    if (ecu.information) {
        const auto answered = [](const diag::InfoItem& item) {
            return item.state == diag::InfoItem::State::Answered && !item.values.isEmpty();
        };
        const diag::VehicleInfo& info = *ecu.information;
        if (answered(info.vin))
            out.insert("vin", vins.at(info.vin.values.front()));
        if (answered(info.calibrationIds))
            out.insert("calibrationIds", textsJson(info.calibrationIds.values));
        if (answered(info.cvns))
            out.insert("cvns", textsJson(info.cvns.values));
        if (answered(info.ecuName))
            out.insert("ecuName", info.ecuName.values.front());
    }
    if (!ecu.unanswered.empty())
        out.insert("unanswered", requestsJson(ecu.unanswered));
    // Vehicle information and on-board tests never asked (the scan tool's firmware was not
    // known) were not read.
    auto garbled = ecu.garbled;
    for (const QByteArray& map : {QByteArray("\x09\x00", 2), QByteArray("\x06\x00\x00", 3)})
        if (!ecu.seen.count(map))
            garbled.insert(map);
    if (!ecu.refused.empty())
        out.insert("refused", requestsJson(ecu.refused));
    out.insert("garbled", requestsJson(garbled));
    return out;
}

QJsonObject CarCapture::profile(bool anonymous) const {
    // One made-up VIN for each real one, the same in every ECU that gave it.
    std::map<QString, QString> vins;
    for (const Ecu& each : ecus_)
        if (each.information && each.information->validVin())
            vins.try_emplace(*each.information->validVin(),
                             anonymous ? diag::anonymousVin(*each.information->validVin(),
                                                            *QRandomGenerator::system())
                                       : *each.information->validVin());
    QJsonObject out;
    out.insert("adapter", throughAdapter_ ? "elm327" : "box");
    out.insert("reachable", true);
    if (identity_ && throughAdapter_) {
        out.insert("adapterIdentity", identity_->caption);
        if (const QString bus = busName(identity_->protocol); !bus.isEmpty())
            out.insert("bus", bus);
    } else if (identity_ && !identity_->caption.isEmpty()) {
        // The box's firmware reply: its lead character, then the version.
        out.insert("leadingChar", identity_->caption.left(1));
        out.insert("firmware", identity_->caption.mid(1));
    }
    QJsonArray ecus;
    for (const Ecu& each : ecus_)
        ecus.append(ecuProfile(each, vins));
    out.insert("ecus", ecus);
    return out;
}

QByteArray CarCapture::profileText(bool anonymous) const {
    const QString text = QString::fromUtf8(QJsonDocument(profile(anonymous)).toJson());
    // Arrays of numbers or texts on one line each.
    static const QString item = QStringLiteral(R"((?:\d+|"(?:[^"\\\n]|\\.)*"))");
    static const QRegularExpression flat(QStringLiteral(R"(\[\s*(%1(?:,\s*%1)*)?\s*\])").arg(item));
    static const QRegularExpression items(item);
    QString compact;
    qsizetype from = 0;
    for (const QRegularExpressionMatch& match : flat.globalMatch(text)) {
        QStringList values;
        for (const QRegularExpressionMatch& value : items.globalMatch(match.captured(1)))
            values << value.captured();
        compact += text.mid(from, match.capturedStart() - from) + QLatin1Char('[') +
                   values.join(QStringLiteral(", ")) + QLatin1Char(']');
        from = match.capturedEnd();
    }
    return (compact + text.mid(from)).toUtf8();
}

} // namespace app
