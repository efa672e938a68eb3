// SPDX-License-Identifier: GPL-3.0-or-later
#include "elm_line_faults.h"

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
    QByteArray text = format.spaces ? bytes.toHex(' ').toUpper() : bytes.toHex().toUpper();
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
            quint8 sum = 0;
            for (qsizetype i = 0; i + 1 < bytes.size(); ++i)
                sum = quint8(sum + quint8(bytes[i]));
            bytes.back() = char(sum);
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

} // namespace sim
