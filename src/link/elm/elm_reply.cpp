// SPDX-License-Identifier: GPL-3.0-or-later
#include "elm_reply.h"

#include <QList>

#include <algorithm>

namespace scan::elm {

namespace {

// What some adapters send as they power up after a reset.
bool isNoise(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u == 0x00 || u == 0x7F || u == 0xFC || u == 0xFF;
}

bool isText(QByteArrayView line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

QByteArray withoutSpaces(QByteArrayView text) {
    QByteArray out;
    for (char c : text)
        if (c != ' ')
            out.append(c);
    return out.toUpper();
}

struct Marker {
    const char* text;
    ElmAnswer::Kind kind;
    bool prefix; // the line only starts with it ("ERR94", "BUS INIT: ...ERROR" is handled apart)
};

// Whole lines by which the adapter reports instead of data.
constexpr Marker kMarkers[] = {
    {"NO DATA", ElmAnswer::Kind::NoData, false},
    {"UNABLE TO CONNECT", ElmAnswer::Kind::UnableToConnect, false},
    {"BUS ERROR", ElmAnswer::Kind::BusError, false},
    {"CAN ERROR", ElmAnswer::Kind::BusError, false},
    {"FB ERROR", ElmAnswer::Kind::BusError, false},
    {"DATA ERROR", ElmAnswer::Kind::BusError, false},
    {"<DATA ERROR", ElmAnswer::Kind::BusError, false},
    {"<RX ERROR", ElmAnswer::Kind::BusError, false},
    {"BUS BUSY", ElmAnswer::Kind::BusError, false},
    {"LP ALERT", ElmAnswer::Kind::BusError, false},
    {"LV RESET", ElmAnswer::Kind::BusError, false},
    {"ERR", ElmAnswer::Kind::BusError, true},
    {"BUFFER FULL", ElmAnswer::Kind::BufferFull, false},
    {"STOPPED", ElmAnswer::Kind::Stopped, false},
    {"?", ElmAnswer::Kind::NotUnderstood, false},
    {"ERROR", ElmAnswer::Kind::NotUnderstood, false},
};

std::optional<ElmAnswer::Kind> markerKind(const QByteArray& line) {
    if (line.startsWith("BUS INIT:"))
        return line.contains("ERROR") ? std::optional(ElmAnswer::Kind::BusError) : std::nullopt;
    for (const Marker& m : kMarkers) {
        if (line == m.text || (m.prefix && line.startsWith(m.text) && line != "ERROR"))
            return m.kind;
    }
    return std::nullopt;
}

bool isProgress(const QByteArray& line) {
    return line == "SEARCHING..." || (line.startsWith("BUS INIT:") && !line.contains("ERROR"));
}

} // namespace

ElmAnswer sortAnswer(QByteArrayView text, QByteArrayView command) {
    ElmAnswer answer;
    QByteArray body = text.toByteArray();
    body.replace('\0', QByteArray());
    QList<QByteArray> lines;
    for (QByteArray line : body.replace('\n', '\r').split('\r')) {
        // Noise in front of a line (a reset's power-up bytes) is no text.
        qsizetype start = 0;
        while (start < line.size() && isNoise(line[start]))
            ++start;
        line = line.sliced(start).trimmed();
        if (!line.isEmpty())
            lines.append(line);
    }
    // The echo, if the adapter still echoes; a reset's echo is followed by the banner.
    if (!lines.isEmpty() && !command.isEmpty() &&
        withoutSpaces(lines.first()) == withoutSpaces(command))
        lines.removeFirst();

    std::optional<ElmAnswer::Kind> marker;
    QByteArray said;
    for (const QByteArray& line : lines) {
        if (!isText(line)) {
            answer.kind = ElmAnswer::Kind::Garbled;
            return answer;
        }
        if (isProgress(line))
            continue;
        if (const auto kind = markerKind(line)) {
            if (!marker) {
                marker = kind;
                said = line;
            }
            continue;
        }
        answer.lines.append(QString::fromLatin1(line));
    }
    // Data from one ECU wins over another's complaint; with no data the first complaint counts.
    if (!answer.lines.isEmpty() || !marker)
        answer.kind = ElmAnswer::Kind::Lines;
    else
        answer.kind = *marker;
    if (answer.kind != ElmAnswer::Kind::Lines) {
        answer.lines.clear();
        answer.said = QString::fromLatin1(said);
    }
    return answer;
}

void ElmReplyReader::expect(const QByteArray& command) {
    command_ = command;
    text_.clear();
    prompted_ = false;
}

std::optional<ElmAnswer> ElmReplyReader::feed(QByteArrayView bytes) {
    if (prompted_)
        return std::nullopt;
    const qsizetype prompt = bytes.indexOf('>');
    text_.append(bytes.first(prompt < 0 ? bytes.size() : prompt));
    if (prompt < 0)
        return std::nullopt;
    prompted_ = true;
    return sortAnswer(text_, command_);
}

} // namespace scan::elm
