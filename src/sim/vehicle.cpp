// SPDX-License-Identifier: GPL-3.0-or-later
#include "vehicle.h"

#include "frames.h"

#include <algorithm>
#include <utility>

namespace sim {

namespace {

template <typename Map> bool definesAbove(const Map& pids, int pid) {
    return pid < 0xFF && pids.upper_bound(static_cast<quint8>(pid)) != pids.end();
}

// The PIDs from `base` + 1 to `base` + 31, and in the last bit whether any lies above.
template <typename Map> QByteArray supportMap(const Map& pids, int base) {
    QByteArray map = supportBits(pids, base);
    map[3] = char((map[3] & 0xFE) | (definesAbove(pids, base + 32) ? 1 : 0));
    return map;
}

template <typename Map> std::optional<QByteArray> supportMapAt(const Map& pids, quint8 pid) {
    if (pid != 0 && !definesAbove(pids, pid))
        return std::nullopt;
    return supportMap(pids, pid);
}

// The support maps the profile gives for a service; none when it gives none.
const std::map<quint8, QByteArray>* givenMaps(const Ecu& ecu, quint8 service) {
    const auto it = ecu.supportMaps.find(service);
    return it == ecu.supportMaps.end() ? nullptr : &it->second;
}

// A map the profile gives; nothing for one it does not.
std::optional<QByteArray> givenMap(const std::map<quint8, QByteArray>& maps, quint8 pid) {
    const auto it = maps.find(pid);
    return it == maps.end() ? std::nullopt : std::optional(it->second);
}

// The codes from `from` on, `count` at the most, two bytes each.
QByteArray codeBytes(const std::vector<quint16>& codes, std::size_t from, std::size_t count) {
    QByteArray bytes;
    for (std::size_t i = from; i < from + count && i < codes.size(); ++i)
        bytes.append(word(codes[i]));
    return bytes;
}

// A service $09 PID's items, each at its full size; none when the ECU lacks them.
std::vector<QByteArray> informationItems(const Ecu& ecu, quint8 pid) {
    const auto padded = [](const QByteArray& text, int size) {
        return text.leftJustified(size, '\0', true);
    };
    std::vector<QByteArray> items;
    switch (pid) {
    case 0x02:
        if (ecu.vin)
            items.push_back(*ecu.vin);
        break;
    case 0x04:
        for (const QByteArray& id : ecu.calibrationIds)
            items.push_back(padded(id, 16));
        break;
    case 0x06:
        items = ecu.cvns;
        break;
    case 0x0A:
        if (ecu.ecuName)
            items.push_back(padded(*ecu.ecuName, 20));
        break;
    default:
        break;
    }
    return items;
}

} // namespace

QByteArray negativeResponse(quint8 service, quint8 reason) {
    return QByteArray(1, char(0x7F)).append(char(service)).append(char(reason));
}

QByteArray resultBytes(const MonitorTest& result, quint8 component) {
    return QByteArray(1, char((result.minimum ? 0x80 : 0) | component))
        .append(word(result.value))
        .append(word(result.limit));
}

Vehicle::Vehicle(Profile profile) : profile_(std::move(profile)), reachable_(profile_.reachable) {
    if (profile_.ecus.empty())
        profile_.ecus.push_back(Ecu{});
}

QList<QByteArray> Vehicle::answer(std::size_t index, const QByteArray& request, Bus bus,
                                  double seconds) {
    if (!reachable_ || request.isEmpty())
        return {};
    if (const std::optional<Scripted> script = scripted(index, request))
        return scriptedMessages(*script, quint8(request[0]));
    const Ecu& ecu = profile_.ecus[index];
    const auto at = [&request](int i) { return i < request.size() ? quint8(request[i]) : 0; };
    switch (at(0)) {
    case 0x01: {
        // Only an ECU on CAN takes several PIDs a request.
        if (bus == Bus::NonCan && request.size() > 2)
            return {};
        QByteArray message(1, char(0x41));
        const int last = std::min<int>(int(request.size()), 7);
        for (int i = 1; i < last; ++i) {
            // Of several PIDs, one the car left unanswered is left out; one it garbled spoils all.
            const auto script = scripted(index, request.mid(0, 1) + request.mid(i, 1));
            if (script && *script != Scripted::Unanswered)
                return scriptedMessages(*script, 0x01);
            if (const auto data = script ? std::nullopt : currentData(index, at(i), seconds))
                message.append(char(at(i))).append(*data);
        }
        return message.size() > 1 ? QList<QByteArray>{message} : QList<QByteArray>{};
    }
    case 0x02: {
        const auto data = at(2) == 0 ? freezeFrameData(index, at(1)) : std::nullopt;
        if (!data)
            return {};
        return {QByteArray(1, char(0x42)).append(char(at(1))).append('\0').append(*data)};
    }
    case 0x03:
        return codes(ecu.storedCodes, 0x43, bus);
    case 0x07:
        return codes(ecu.pendingCodes, 0x47, bus);
    case 0x04:
        return {clear(index)};
    case 0x05:
        return bus == Bus::Can ? QList<QByteArray>{} : o2Test(ecu, at(1), at(2));
    case 0x06:
        if (bus == Bus::Can)
            return request.size() == 2 ? obdMonitor(ecu, at(1)) : QList<QByteArray>{};
        return monitor(ecu, at(1), at(2));
    case 0x09:
        return information(ecu, at(1), bus);
    case 0x0A:
        if (ecu.permanentRefused)
            return {negativeResponse(0x0A, 0x11)}; // service not supported
        return codes(ecu.permanentCodes, 0x4A, bus);
    default:
        return {};
    }
}

std::optional<Vehicle::Scripted> Vehicle::scripted(std::size_t index,
                                                   const QByteArray& request) const {
    const Ecu& ecu = profile_.ecus[index];
    // The frame number of a freeze-frame request is not the program's to choose.
    const QByteArray asked = request.startsWith(char(0x02)) ? request.left(2) : request;
    if (ecu.unanswered.count(asked))
        return Scripted::Unanswered;
    if (ecu.refused.count(asked))
        return Scripted::Refused;
    if (ecu.garbled.count(asked))
        return Scripted::Garbled;
    return std::nullopt;
}

QList<QByteArray> Vehicle::scriptedMessages(Scripted scripted, quint8 service) {
    switch (scripted) {
    case Scripted::Refused:
        return {negativeResponse(service, 0x12)};
    case Scripted::Garbled: // the positive response to a request never made (tester present)
        return {QByteArray(1, char(0x7E))};
    default:
        return {};
    }
}

std::optional<QByteArray> Vehicle::currentData(std::size_t index, quint8 pid,
                                               double seconds) const {
    const Ecu& ecu = profile_.ecus[index];
    if (pid % 0x20 == 0) {
        const auto* given = givenMaps(ecu, 0x01);
        return given ? givenMap(*given, pid) : supportMapAt(ecu.pids, pid);
    }
    const auto it = ecu.pids.find(pid);
    if (it == ecu.pids.end())
        return std::nullopt;
    if (const auto* fixed = std::get_if<QByteArray>(&it->second)) {
        QByteArray data = *fixed;
        if (pid == 0x01 && ecu.mil) {
            if (data.isEmpty())
                data.append('\0');
            const auto count = std::min<std::size_t>(ecu.storedCodes.size(), 0x7F);
            data[0] = char((*ecu.mil ? 0x80 : 0) | count);
        }
        return data;
    }
    return encodeAt(pid, std::get<MovingValue>(it->second), seconds);
}

std::optional<QByteArray> Vehicle::freezeFrameData(std::size_t index, quint8 pid) const {
    const Ecu& ecu = profile_.ecus[index];
    if (const auto* given = givenMaps(ecu, 0x02); given && pid % 0x20 == 0)
        return givenMap(*given, pid);
    // As in service $01, an ECU without OBD data answers only an all-clear map.
    if (ecu.pids.empty())
        return pid == 0 ? std::optional<QByteArray>(QByteArray(4, '\0')) : std::nullopt;
    // Without a stored frame the ECU still answers PID $02, with the code 0000.
    static const std::map<quint8, QByteArray> noFrame{{0x02, QByteArray(2, '\0')}};
    const auto& frame = ecu.freezeFrame.empty() ? noFrame : ecu.freezeFrame;
    if (pid % 0x20 == 0)
        return supportMapAt(frame, pid);
    const auto it = frame.find(pid);
    return it == frame.end() ? std::nullopt : std::optional<QByteArray>(it->second);
}

const MonitorTest* Vehicle::monitorResult(std::size_t index, quint8 test, quint8 component) const {
    const auto& tests = profile_.ecus[index].monitorTests;
    const auto found = tests.find(test);
    if (found == tests.end())
        return nullptr;
    const auto result = found->second.find(component);
    return result == found->second.end() ? nullptr : &result->second;
}

QList<QByteArray> Vehicle::codes(const std::vector<quint16>& codes, char responseId,
                                 Bus bus) const {
    if (bus == Bus::Can) {
        const auto count = std::min<std::size_t>(codes.size(), 0xFF);
        return {QByteArray(1, responseId).append(char(count)).append(codeBytes(codes, 0, count))};
    }
    // Three codes a message, the last one padded with zeros; no codes make one empty message.
    QList<QByteArray> messages;
    for (std::size_t from = 0; from == 0 || from < codes.size(); from += 3)
        messages.append(QByteArray(1, responseId)
                            .append(codeBytes(codes, from, 3).leftJustified(6, '\0', true)));
    return messages;
}

QByteArray Vehicle::clear(std::size_t index) {
    Ecu& ecu = profile_.ecus[index];
    if (ecu.clearRefused)
        return negativeResponse(0x04, 0x22); // conditions not correct
    ecu.storedCodes.clear();
    ecu.pendingCodes.clear();
    ecu.freezeFrame.clear();
    ecu.mil = false;
    return QByteArray(1, char(0x44));
}

QList<QByteArray> Vehicle::o2Test(const Ecu& ecu, quint8 test, quint8 sensor) const {
    if (!ecu.o2Tests)
        return {};
    const auto tests = ecu.o2Tests->sensors.find(sensor);
    if (tests == ecu.o2Tests->sensors.end())
        return {negativeResponse(0x05, 0x12)};
    QByteArray message = QByteArray(1, char(0x45)).append(char(test)).append(char(sensor));
    if (test == 0)
        return {message.append(supportBits(tests->second, 0))};
    const auto found = tests->second.find(test);
    return {found == tests->second.end() ? negativeResponse(0x05, 0x12)
                                         : message.append(found->second)};
}

QList<QByteArray> Vehicle::monitor(const Ecu& ecu, quint8 test, quint8 component) const {
    const auto& tests = ecu.monitorTests;
    const QByteArray head = QByteArray(1, char(0x46)).append(char(test));
    if (const auto* given = givenMaps(ecu, 0x06); given && test % 0x20 == 0) {
        const std::optional<QByteArray> map = givenMap(*given, test);
        return map ? QList<QByteArray>{head + '\0' + *map} : QList<QByteArray>{};
    }
    if (tests.empty())
        return {};
    if (test % 0x20 == 0) {
        const QByteArray map = supportBits(tests, test);
        if (test != 0 && map == QByteArray(4, '\0'))
            return {};
        return {head + '\0' + map};
    }
    const auto found = tests.find(test);
    if (found == tests.end())
        return {negativeResponse(0x06, 0x12)};
    const auto result = found->second.find(component);
    if (result == found->second.end())
        return {negativeResponse(0x06, 0x12)};
    return {QByteArray(1, char(0x46))
                .append(char(test))
                .append(resultBytes(result->second, component))};
}

QList<QByteArray> Vehicle::obdMonitor(const Ecu& ecu, quint8 id) const {
    const auto& monitors = ecu.obdMonitors;
    const auto* given = givenMaps(ecu, 0x06);
    if (monitors.empty() && !given)
        return {};
    const QByteArray head = QByteArray(1, char(0x46)).append(char(id));
    if (id % 0x20 == 0) {
        const std::optional<QByteArray> map =
            given ? givenMap(*given, id) : supportMapAt(monitors, id);
        return map ? QList<QByteArray>{head + *map} : QList<QByteArray>{};
    }
    const auto found = monitors.find(id);
    if (found == monitors.end())
        return {};
    QByteArray message(1, char(0x46));
    for (const ObdMonitorTest& test : found->second)
        message.append(char(id))
            .append(char(test.tid))
            .append(char(test.unit))
            .append(word(test.value))
            .append(word(test.min))
            .append(word(test.max));
    return {message};
}

QList<QByteArray> Vehicle::information(const Ecu& ecu, quint8 pid, Bus bus) const {
    std::map<quint8, bool> defined;
    for (const int id : {0x02, 0x04, 0x06, 0x0A})
        if (!informationItems(ecu, quint8(id)).empty())
            defined[quint8(id)] = true;
    const QByteArray head = QByteArray(1, char(0x49)).append(char(pid));
    if (const auto* given = givenMaps(ecu, 0x09); given && pid % 0x20 == 0) {
        const std::optional<QByteArray> map = givenMap(*given, pid);
        return map ? QList<QByteArray>{head + *map} : QList<QByteArray>{};
    }
    if (defined.empty())
        return {};
    if (pid == 0)
        return {head + supportBits(defined, 0)};
    const std::vector<QByteArray> items = informationItems(ecu, pid);
    if (items.empty())
        return {};
    QByteArray data;
    for (const QByteArray& item : items)
        data.append(item);
    if (bus == Bus::Can)
        return {head + char(items.size()) + data};
    // Four bytes a message, numbered from 1; three zero bytes fill the VIN's first.
    const bool vin = pid == 0x02;
    if (vin)
        data.prepend(QByteArray(3, '\0'));
    QList<QByteArray> messages;
    for (int at = 0, number = 1; at < data.size(); at += 4, ++number)
        if (!(vin && ecu.vinFrameMissing && number == 3))
            messages.append(head + char(number) + data.mid(at, 4));
    return messages;
}

} // namespace sim
