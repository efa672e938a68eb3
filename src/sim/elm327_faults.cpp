// SPDX-License-Identifier: GPL-3.0-or-later
#include "elm327_faults.h"

#include "frames.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <utility>

namespace sim {

namespace {

constexpr std::array kNames{
    std::pair{ElmLineFault::Cut, "cut"},
    std::pair{ElmLineFault::WrongLength, "wrong-length"},
    std::pair{ElmLineFault::MissingByte, "missing-byte"},
    std::pair{ElmLineFault::ExtraByte, "extra-byte"},
    std::pair{ElmLineFault::BadId, "bad-id"},
    std::pair{ElmLineFault::Flip, "flip"},
    std::pair{ElmLineFault::OtherEcu, "other-ecu"},
    std::pair{ElmLineFault::Repeat, "repeat"},
    std::pair{ElmLineFault::ErrorLine, "error-line"},
    std::pair{ElmLineFault::NoPrompt, "no-prompt"},
};

struct FaultName {
    const char* name;
    bool ElmFaults::*flag;
    int ElmFaults::*after;
};

constexpr FaultName kFaultNames[] = {
    {"silence", nullptr, &ElmFaults::silenceAfter},
    {"garbage", nullptr, &ElmFaults::garbageAfter},
    {"unplug", nullptr, &ElmFaults::unplugAfter},
    {"clone", &ElmFaults::clone, nullptr},
    {"noise", &ElmFaults::noise, nullptr},
    {"split-prompt", &ElmFaults::splitPrompt, nullptr},
    {"crlf", &ElmFaults::crlf, nullptr},
    {"hang", &ElmFaults::hang, nullptr},
};

int draw(std::mt19937& random, int from, int to) {
    return std::uniform_int_distribution<int>(from, to)(random);
}

int headerBytes(ElmProtocol protocol) {
    if (protocol == ElmProtocol::Can11)
        return 2; // the identifier's three digits with a 0 in front
    return protocol == ElmProtocol::Can29 ? 4 : 3;
}

QByteArray lineBytes(QByteArray line, ElmProtocol protocol) {
    line.replace(' ', QByteArray());
    if (protocol == ElmProtocol::Can11)
        line.prepend('0');
    return QByteArray::fromHex(line);
}

QByteArray lineText(const QByteArray& bytes, ElmProtocol protocol, ElmFormat format) {
    QByteArray text = elmHex(bytes, format.spaces);
    if (protocol == ElmProtocol::Can11) {
        text.remove(0, 1);
        if (format.spaces)
            text.remove(1, 1);
    }
    return text;
}

void flipBit(QByteArray& bytes, qsizetype at, std::mt19937& random) {
    bytes[at] = char(quint8(bytes[at]) ^ (1 << draw(random, 0, 7)));
}

// A length one more or less, within what the field can hold.
int nudged(int length, int lowest, int highest, std::mt19937& random) {
    const int step = draw(random, 0, 1) ? 1 : -1;
    return length + step >= lowest && length + step <= highest ? length + step : length - step;
}

void damageBytes(ElmLineFault fault, QByteArray& bytes, ElmProtocol protocol,
                 std::mt19937& random) {
    const int header = headerBytes(protocol);
    const int size = int(bytes.size());
    if (size <= header)
        return;
    switch (fault) {
    case ElmLineFault::MissingByte:
        bytes.remove(draw(random, header, size - 1), 1);
        return;
    case ElmLineFault::ExtraByte:
        bytes.insert(draw(random, header, size), char(draw(random, 0, 255)));
        return;
    case ElmLineFault::BadId:
        if (protocol == ElmProtocol::Can11) {
            // Below bit 3 lie the other ECUs' identifiers.
            const int id =
                ((quint8(bytes[0]) << 8) | quint8(bytes[1])) ^ (1 << draw(random, 3, 10));
            bytes[0] = char(id >> 8);
            bytes[1] = char(id & 0xFF);
        } else {
            flipBit(bytes, draw(random, 0, 2), random);
        }
        return;
    case ElmLineFault::Flip:
        if (!isCan(protocol)) {
            flipBit(bytes, draw(random, 0, size - 1), random);
        } else {
            const bool first = quint8(bytes[header]) >> 4 == 1 && size > header + 1;
            flipBit(bytes, header + (first ? draw(random, 0, 1) : 0), random);
        }
        return;
    case ElmLineFault::WrongLength: {
        const quint8 pci = quint8(bytes[header]);
        if (isCan(protocol) && pci >> 4 == 0) {
            bytes[header] = char(nudged(pci & 0x0F, 1, 7, random));
        } else if (isCan(protocol) && pci >> 4 == 1 && size > header + 1) {
            bytes[header + 1] = char(nudged(quint8(bytes[header + 1]), 0, 255, random));
        } else if (protocol == ElmProtocol::Kwp) {
            const quint8 format = quint8(bytes[0]);
            bytes[0] = char((format & 0xC0) | nudged(format & 0x3F, 1, 0x3F, random));
            bytes.back() = char(checksum(QByteArrayView(bytes).chopped(1)));
        }
        return;
    }
    default:
        return;
    }
}

} // namespace

std::optional<ElmLineFaultRule> parseElmLineFault(const QString& text, QString* error) {
    const QString name = text.section(QLatin1Char(':'), 0, 0);
    const auto named = std::find_if(kNames.begin(), kNames.end(), [&](const auto& entry) {
        return name == QLatin1String(entry.second);
    });
    if (named == kNames.end())
        return std::nullopt;
    const std::optional<RuleText> rule = splitRule(text, error);
    if (!rule)
        return std::nullopt;
    return ElmLineFaultRule{named->first, rule->count, rule->prefix, rule->after};
}

QString elmLineFaultNames() {
    QStringList names;
    for (const auto& [fault, name] : kNames)
        names.append(QLatin1String(name) + QStringLiteral("[:COUNT[:PREFIX[:AFTER]]]"));
    return names.join(QStringLiteral(", "));
}

void damageMessage(ElmLineFault fault, QList<QByteArray>& lines, ElmProtocol protocol,
                   ElmFormat format, std::mt19937& random) {
    if (lines.isEmpty())
        return;
    // A length stands in the message's first line.
    QByteArray& line =
        lines[fault == ElmLineFault::WrongLength ? 0 : draw(random, 0, int(lines.size()) - 1)];
    if (fault == ElmLineFault::Cut) {
        if (line.size() > 1)
            line = line.left(draw(random, 1, int(line.size()) - 1)).trimmed();
        return;
    }
    if (!format.headers)
        return; // the faults below are those of a frame's header, length and checksum
    QByteArray bytes = lineBytes(line, protocol);
    damageBytes(fault, bytes, protocol, random);
    line = lineText(bytes, protocol, format);
}

bool addElmFault(ElmFaults& faults, const QString& text, QString* error) {
    QString lineError;
    if (const std::optional<ElmLineFaultRule> rule = parseElmLineFault(text, &lineError)) {
        faults.lines.add(*rule);
        return true;
    }
    if (!lineError.isEmpty()) {
        if (error)
            *error = lineError;
        return false;
    }
    const QStringList parts = text.split(QLatin1Char(':'));
    for (const FaultName& f : kFaultNames) {
        if (parts.first() != QLatin1String(f.name))
            continue;
        if (f.flag && parts.size() == 1) {
            faults.*f.flag = true;
            return true;
        }
        bool ok = parts.size() == 1;
        const int after = ok ? 0 : parts.value(1).toInt(&ok);
        if (f.after && parts.size() <= 2 && ok && after >= 0) {
            faults.*f.after = after;
            return true;
        }
        break;
    }
    if (error)
        *error =
            QStringLiteral("unknown adapter fault \"%1\" (one of %2)").arg(text, elmFaultNames());
    return false;
}

QString elmFaultNames() {
    QStringList names;
    for (const FaultName& f : kFaultNames)
        names.append(QLatin1String(f.name) + (f.after ? QStringLiteral("[:N]") : QString()));
    return names.join(QStringLiteral(", ")) + QStringLiteral(", ") + elmLineFaultNames();
}

} // namespace sim
