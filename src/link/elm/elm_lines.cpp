// SPDX-License-Identifier: GPL-3.0-or-later
#include "elm_lines.h"

#include "link/request.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <optional>

namespace scan::elm {

namespace {

// Service $05: the support map, the voltages and times of tests $01-$04, value and limits after.
int o2TestBytes(int test) {
    if (test % 0x20 == 0)
        return 4;
    if (test <= 0x04)
        return 1;
    return test <= 0x0A ? 3 : 0;
}

// Several messages from one ECU are the codes' frames or the vehicle information's numbered
// messages of a bus without ISO 15765, or of an adapter that shows no identifiers; any other
// request has one message an ECU.
bool severalMessages(QByteArrayView request, ElmFraming framing, bool headers) {
    const int service = request.isEmpty() ? -1 : quint8(request[0]);
    const bool multiple = service == 0x03 || service == 0x07 || service == 0x0A || service == 0x09;
    return multiple && (!isCan(framing) || !headers);
}

// Whether `data` is the whole answer to `request`: its response id (or a refusal of its
// service), PID, and exactly the bytes J1979 gives it.
bool answers(const QByteArray& data, QByteArrayView request, bool can) {
    if (request.isEmpty() || data.isEmpty())
        return false;
    const auto at = [&data](qsizetype i) { return i < data.size() ? int(quint8(data[i])) : -1; };
    const auto asked = [&request](qsizetype i) {
        return i < request.size() ? int(quint8(request[i])) : -1;
    };
    const qsizetype size = data.size();
    // Known: exactly `head` and `bytes` long; unknown (0): some data after the head.
    const auto holds = [size](int head, int bytes) {
        return bytes ? size == head + bytes : size > head;
    };
    const int service = asked(0);
    if (at(0) == 0x7F)
        return size == 3 && at(1) == service;
    if (at(0) != service + 0x40)
        return false;
    const int pid = asked(1);
    switch (service) {
    case 0x01:
        if (request.size() > 2)
            return pidsOf(data, request.sliced(1)).has_value();
        return at(1) == pid && holds(2, pidDataBytes(pid));
    case 0x02:
        return at(1) == pid && at(2) == asked(2) && holds(3, pidDataBytes(pid));
    case 0x03:
    case 0x07:
    case 0x0A:
        return can ? size >= 2 && size == 2 + 2 * at(1) : size == 7;
    case 0x04:
        return size == 1;
    case 0x05:
        return at(1) == pid && at(2) == asked(2) && holds(3, o2TestBytes(pid));
    case 0x09:
        // A support map; on CAN the item count and the items; otherwise a numbered message of
        // four bytes.
        if (at(1) != pid)
            return false;
        if (pid % 0x20 == 0)
            return size == 6;
        return can ? size > 3 : size == 7 && at(2) > 0;
    case 0x06:
        if (at(1) != pid)
            return false;
        if (!can)
            return size == 7; // test, component, value, limit; or test, 00, support map
        if (pid % 0x20 == 0)
            return size == 6;
        // Records of nine bytes, each naming the monitor asked.
        if (size < 10 || (size - 1) % 9 != 0)
            return false;
        for (qsizetype at = 1; at < size; at += 9) {
            if (data[at] != char(pid))
                return false;
        }
        return true;
    default:
        return true;
    }
}

// The line's hex digits as bytes; nothing when it holds anything else.
std::optional<QByteArray> hexBytes(QString text) {
    text.remove(QLatin1Char(' '));
    static const QRegularExpression hex(QStringLiteral("^([0-9A-Fa-f]{2})+$"));
    if (!hex.match(text).hasMatch())
        return std::nullopt;
    return QByteArray::fromHex(text.toLatin1());
}

quint8 sum(QByteArrayView bytes) {
    quint8 total = 0;
    for (char c : bytes)
        total = quint8(total + quint8(c));
    return total;
}

// SAE J1850's CRC-8: polynomial 1D, start FF, result inverted.
quint8 j1850Crc(QByteArrayView bytes) {
    quint8 crc = 0xFF;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80) ? quint8((crc << 1) ^ 0x1D) : quint8(crc << 1);
    }
    return quint8(~crc);
}

// A non-CAN frame's data, when its checksum, and a KWP format byte's length, hold.
std::optional<QByteArray> nonCanData(const QByteArray& frame, ElmFraming framing) {
    if (frame.size() < 5)
        return std::nullopt;
    const QByteArrayView covered = QByteArrayView(frame).chopped(1);
    const quint8 check = framing == ElmFraming::J1850 ? j1850Crc(covered) : sum(covered);
    if (check != quint8(frame.back()))
        return std::nullopt;
    const QByteArray data = frame.mid(3, frame.size() - 4);
    const quint8 format = quint8(frame[0]);
    if (framing == ElmFraming::Iso && (format & 0x80) && (format & 0x3F) != data.size())
        return std::nullopt;
    return data;
}

// An ISO 15765 message being joined from its frames.
struct Assembly {
    int expected = -1; // bytes; -1: no message under way
    int sequence = 0;  // of the next consecutive frame
    QByteArray data;
};

// Takes one CAN frame's payload (from its ISO 15765 byte on); the message once it is whole. A
// frame that does not fit ends the message under way as damaged.
std::optional<QByteArray> addCanFrame(Assembly& assembly, const QByteArray& payload,
                                      bool& damaged) {
    const auto bad = [&] {
        damaged = true;
        assembly = {};
        return std::nullopt;
    };
    if (payload.isEmpty() || payload.size() > 8)
        return bad();
    const int pci = quint8(payload[0]);
    const int low = pci & 0x0F;
    if (pci >> 4 <= 1 && assembly.expected >= 0)
        bad(); // a new message before the last one was whole
    switch (pci >> 4) {
    case 0: // single frame
        if (low == 0 || payload.size() != 1 + low)
            return bad();
        return payload.mid(1);
    case 1: // first frame: the length, six bytes
        assembly.expected = (low << 8) | quint8(payload[1]);
        if (payload.size() != 8 || assembly.expected < 8)
            return bad();
        assembly.sequence = 1;
        assembly.data = payload.mid(2);
        return std::nullopt;
    case 2: { // consecutive frame: seven bytes, the last one's padding shown or not
        const qsizetype remaining = assembly.expected - assembly.data.size();
        const qsizetype bytes = payload.size() - 1;
        if (assembly.expected < 0 || low != assembly.sequence ||
            (remaining > 7 ? bytes != 7 : bytes < remaining))
            return bad();
        assembly.data += payload.mid(1, remaining);
        assembly.sequence = (assembly.sequence + 1) & 0x0F;
        if (assembly.data.size() < assembly.expected)
            return std::nullopt;
        const QByteArray message = assembly.data;
        assembly = {};
        return message;
    }
    default:
        return bad();
    }
}

// The messages of lines with headers, each with its ECU, not yet judged against the request.
ElmMessages framedMessages(const QStringList& lines, ElmFraming framing) {
    ElmMessages out;
    std::map<quint32, Assembly> assemblies;
    for (const QString& line : lines) {
        QString text = line;
        text.remove(QLatin1Char(' '));
        if (framing == ElmFraming::Can11)
            text.prepend(QLatin1Char('0')); // three digits of identifier make the count odd
        const std::optional<QByteArray> bytes = hexBytes(text);
        if (!bytes) {
            out.damaged = true;
            continue;
        }
        if (!isCan(framing)) {
            if (const std::optional<QByteArray> data = nonCanData(*bytes, framing))
                out.messages.push_back({quint8(bytes->at(2)), *data});
            else
                out.damaged = true;
            continue;
        }
        const int idBytes = framing == ElmFraming::Can11 ? 2 : 4;
        quint32 id = 0;
        for (int i = 0; i < idBytes && i < bytes->size(); ++i)
            id = (id << 8) | quint8(bytes->at(i));
        const bool ecuId = framing == ElmFraming::Can11 ? id >= 0x7E8 && id <= 0x7EF
                                                        : (id & 0xFFFFFF00) == 0x18DAF100;
        if (bytes->size() <= idBytes || !ecuId) {
            out.damaged = true;
            continue;
        }
        if (const auto message = addCanFrame(assemblies[id], bytes->mid(idBytes), out.damaged))
            out.messages.push_back({quint8(id & 0xFF), *message});
    }
    for (const auto& [id, assembly] : assemblies)
        out.damaged = out.damaged || assembly.expected >= 0;
    return out;
}

// Without headers: each line a message, or "0:", "1:" ... lines after their byte count joined.
ElmMessages numberedMessages(const QStringList& lines, ElmFraming framing) {
    ElmMessages out;
    int count = -1;
    int next = 0;
    QByteArray joined;
    for (const QString& line : lines) {
        QString text = line.trimmed();
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        if (colon < 0 && isCan(framing) && QString(text).remove(QLatin1Char(' ')).size() == 3) {
            count = text.toInt(nullptr, 16);
            continue;
        }
        const std::optional<QByteArray> bytes = hexBytes(colon < 0 ? text : text.mid(colon + 1));
        if (!bytes) {
            out.damaged = true;
        } else if (colon < 0) {
            out.messages.push_back({0, *bytes});
        } else {
            const qsizetype remaining = count - joined.size();
            const qsizetype wanted = next == 0 ? 6 : 7;
            const bool fits = remaining > wanted ? bytes->size() == wanted
                                                 : bytes->size() >= remaining && remaining > 0;
            if (text.left(colon).toInt(nullptr, 16) != (next & 0x0F) || count < 0 || !fits)
                out.damaged = true;
            joined += *bytes;
            ++next;
        }
    }
    if (next > 0) {
        if (!out.damaged && joined.size() >= count)
            out.messages.push_back({0, joined.left(count)});
        else
            out.damaged = true;
    }
    return out;
}

} // namespace

bool isCan(ElmFraming framing) {
    return framing == ElmFraming::Can11 || framing == ElmFraming::Can29;
}

ElmFraming framingOf(const QString& protocolNumber) {
    const QString digit = protocolNumber.trimmed().right(1).toUpper();
    if (digit == QLatin1String("7") || digit == QLatin1String("9"))
        return ElmFraming::Can29;
    if (digit == QLatin1String("6") || digit == QLatin1String("8") || digit >= QLatin1String("A"))
        return ElmFraming::Can11;
    if (digit == QLatin1String("1") || digit == QLatin1String("2"))
        return ElmFraming::J1850;
    return ElmFraming::Iso;
}

ElmFraming guessFraming(const QStringList& lines) {
    const QString line = lines.value(0).trimmed();
    const QString first = line.section(QLatin1Char(' '), 0, 0);
    if (first.size() == 3)
        return ElmFraming::Can11;
    if (first.size() == 2 && first.compare(QLatin1String("18"), Qt::CaseInsensitive) == 0)
        return ElmFraming::Can29;
    const QByteArray bytes = hexBytes(line).value_or(QByteArray());
    return !bytes.isEmpty() && sum(QByteArrayView(bytes).chopped(1)) != quint8(bytes.back())
               ? ElmFraming::J1850
               : ElmFraming::Iso;
}

ElmMessages parseElmLines(const QStringList& lines, ElmFraming framing, bool headers,
                          QByteArrayView request) {
    ElmMessages found = headers ? framedMessages(lines, framing) : numberedMessages(lines, framing);
    ElmMessages out;
    out.damaged = found.damaged;
    std::vector<quint8> contradicted;
    for (const ElmMessage& message : found.messages) {
        if (!answers(message.data, request, isCan(framing))) {
            out.damaged = true;
            continue;
        }
        const auto same = [&message](const ElmMessage& m) { return m.ecu == message.ecu; };
        const auto earlier = std::find_if(out.messages.begin(), out.messages.end(), same);
        const bool repeated =
            std::any_of(out.messages.begin(), out.messages.end(),
                        [&](const ElmMessage& m) { return same(m) && m.data == message.data; });
        if (repeated)
            continue;
        if (earlier != out.messages.end() && !severalMessages(request, framing, headers))
            contradicted.push_back(message.ecu);
        out.messages.push_back(message);
    }
    for (quint8 ecu : contradicted) {
        out.damaged = true;
        std::erase_if(out.messages, [ecu](const ElmMessage& m) { return m.ecu == ecu; });
    }
    return out;
}

} // namespace scan::elm
