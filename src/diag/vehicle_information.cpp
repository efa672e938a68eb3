// SPDX-License-Identifier: GPL-3.0-or-later
#include "vehicle_information.h"

#include <QRegularExpression>

#include <array>

namespace diag {

namespace {

// The values of one item's answer, after its response id and PID; nothing when they are not
// valid.
using Decode = std::optional<QStringList> (*)(const QByteArray& payload);

// On CAN (and from the box) the items follow their count; the numbered messages of the other
// buses carry no count. Items of `size` bytes either way; nothing when the bytes fit neither.
std::optional<QList<QByteArray>> itemsOf(const QByteArray& payload, int size) {
    QByteArray bytes = payload;
    if (bytes.size() % size == 1) {
        if (quint8(bytes[0]) != bytes.size() / size)
            return std::nullopt;
        bytes.remove(0, 1);
    }
    if (bytes.isEmpty() || bytes.size() % size != 0)
        return std::nullopt;
    QList<QByteArray> items;
    for (qsizetype at = 0; at < bytes.size(); at += size)
        items << bytes.mid(at, size);
    return items;
}

// Printable text with its filling bytes left out; nothing for any other byte, or no text.
std::optional<QString> textOf(const QByteArray& bytes) {
    QString text;
    for (const char c : bytes) {
        if (c == '\0')
            continue;
        if (quint8(c) < 0x20 || quint8(c) > 0x7E)
            return std::nullopt;
        text += QLatin1Char(c);
    }
    if (text.trimmed().isEmpty())
        return std::nullopt;
    return text;
}

std::optional<QStringList> texts(const QByteArray& payload, int size) {
    const std::optional<QList<QByteArray>> items = itemsOf(payload, size);
    if (!items)
        return std::nullopt;
    QStringList values;
    for (const QByteArray& item : *items) {
        const std::optional<QString> text = textOf(item);
        if (!text)
            return std::nullopt;
        values << *text;
    }
    return values;
}

std::optional<QStringList> decodeVin(const QByteArray& payload) {
    // The count byte (CAN) or the first message's filling (the other buses) comes first.
    QByteArray bytes = payload;
    while (!bytes.isEmpty() && quint8(bytes[0]) < 0x20)
        bytes.remove(0, 1);
    const QString vin = QString::fromLatin1(bytes);
    if (!isVin(vin))
        return std::nullopt;
    return QStringList{vin};
}

std::optional<QStringList> decodeCalibrationIds(const QByteArray& payload) {
    return texts(payload, 16);
}

std::optional<QStringList> decodeCvns(const QByteArray& payload) {
    const std::optional<QList<QByteArray>> items = itemsOf(payload, 4);
    if (!items)
        return std::nullopt;
    QStringList values;
    for (const QByteArray& item : *items)
        values << QString::fromLatin1(item.toHex().toUpper());
    return values;
}

std::optional<QStringList> decodeEcuName(const QByteArray& payload) {
    return texts(payload, 20);
}

struct ItemRow {
    quint8 pid;
    const char* name;    // in the window and the report
    const char* request; // in "No answer to the … request."
    int answerBytes;     // the PID, the count and one item
    InfoItem VehicleInfo::*item;
    Decode decode;
};

const std::array<ItemRow, 4> kItems{{
    {0x02, "VIN", "VIN", 19, &VehicleInfo::vin, decodeVin},
    {0x04, "Calibration ID", "calibration ID", 18, &VehicleInfo::calibrationIds,
     decodeCalibrationIds},
    {0x06, "CVN", "CVN", 6, &VehicleInfo::cvns, decodeCvns},
    {0x0A, "ECU Name", "ECU name", 22, &VehicleInfo::ecuName, decodeEcuName},
}};

const QString kNotReported = QStringLiteral("not reported");

} // namespace

bool isVin(const QString& text) {
    static const QRegularExpression vin(QStringLiteral("^[A-HJ-NPR-Z0-9]{17}$"));
    return vin.match(text).hasMatch();
}

QChar vinCheckDigit(const QString& vin) {
    // Each character's value (a letter's as ISO 3779 transliterates it) times its position's
    // weight, modulo 11.
    static const QString letters = QStringLiteral("ABCDEFGHJKLMNPRSTUVWXYZ");
    static constexpr std::array<int, 23> letterValues{1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4,
                                                      5, 7, 9, 2, 3, 4, 5, 6, 7, 8, 9};
    static constexpr std::array<int, 17> weights{8, 7, 6, 5, 4, 3, 2, 10, 0,
                                                 9, 8, 7, 6, 5, 4, 3, 2};
    int sum = 0;
    for (qsizetype i = 0; i < 17 && i < vin.size(); ++i) {
        const qsizetype letter = letters.indexOf(vin[i]);
        const int value = vin[i].isDigit() ? vin[i].digitValue()
                          : letter >= 0    ? letterValues[std::size_t(letter)]
                                           : 0;
        sum += value * weights[std::size_t(i)];
    }
    const int digit = sum % 11;
    return digit == 10 ? QLatin1Char('X') : QChar(QLatin1Char(char('0' + digit)));
}

QString anonymousVin(const QString& vin, QRandomGenerator& random) {
    static const QString alphabet = QStringLiteral("0123456789ABCDEFGHJKLMNPRSTUVWXYZ");
    QString made = vin;
    for (const int i : {3, 4, 5, 7, 10, 11, 12, 13, 14, 15, 16})
        // The serial number (the last six) is digits.
        made[i] = alphabet[random.bounded(i >= 11 ? 10 : int(alphabet.size()))];
    made[8] = vinCheckDigit(made);
    return made;
}

std::optional<QString> VehicleInfo::validVin() const {
    if (vin.state != InfoItem::State::Answered || vin.values.isEmpty())
        return std::nullopt;
    return vin.values.front();
}

QStringList VehicleInfo::statusLines() const {
    if (!unavailable.isEmpty())
        return {unavailable};
    QStringList lines;
    for (const ItemRow& row : kItems) {
        const InfoItem& item = this->*row.item;
        const QString name = QLatin1String(row.name) + QStringLiteral(": ");
        switch (item.state) {
        case InfoItem::State::NotReported:
            lines << name + kNotReported;
            break;
        case InfoItem::State::NoAnswer:
            if (!lines.contains(item.noAnswer)) // an unanswered support map stands for all
                lines << item.noAnswer;
            break;
        case InfoItem::State::Answered:
            for (const QString& value : item.values)
                lines << name + value;
            break;
        }
    }
    return lines;
}

QStringList VehicleInfo::reportLines() const {
    QStringList lines;
    for (const ItemRow& row : kItems) {
        const InfoItem& item = this->*row.item;
        const QString name = QLatin1String(row.name) + QLatin1Char('\t');
        if (!unavailable.isEmpty())
            lines << name + unavailable;
        else if (item.state == InfoItem::State::Answered)
            for (const QString& value : item.values)
                lines << name + value;
        else
            lines << name +
                         (item.state == InfoItem::State::NoAnswer ? item.noAnswer : kNotReported);
    }
    return lines;
}

VehicleInfo VehicleInformation::read() {
    VehicleInfo info;
    const scan::Capabilities can = driver_.capabilities();
    if (!can.vehicleInformation) {
        info.unavailable = can.noVehicleInformation;
        return info;
    }
    // An item the support map offers and the ECU then refuses is missing all the same.
    const auto noAnswer = [this](InfoItem& item, scan::AnswerStatus status, const QString& what) {
        link_.noteUnanswered();
        item = {InfoItem::State::NoAnswer, {}, scan::noAnswerText(status, what)};
    };
    const scan::ObdAnswer map = driver_.ask({0x09, QByteArray(1, 0x00), 5, {}});
    // A vehicle without the service refuses it, or none of its ECUs answers.
    if (map.status() == scan::AnswerStatus::Refused ||
        map.status() == scan::AnswerStatus::EcuTimeout)
        return info;
    if (!map.answered() || map.ecus().isEmpty()) {
        link_.noteUnanswered(); // one request, whatever it would have led to
        const QString line =
            scan::noAnswerText(map.answered() ? scan::AnswerStatus::Garbled : map.status(),
                               QStringLiteral("vehicle information"));
        for (const ItemRow& row : kItems)
            info.*row.item = {InfoItem::State::NoAnswer, {}, line};
        return info;
    }
    std::optional<scan::AnswerStatus> ended; // nothing more can be asked
    for (const ItemRow& row : kItems) {
        if (!map.mapNames(row.pid))
            continue;
        InfoItem& item = info.*row.item;
        const QString what = QLatin1String(row.request);
        if (ended) {
            noAnswer(item, *ended, what);
            continue;
        }
        const scan::ObdAnswer answer =
            driver_.ask({0x09, QByteArray(1, char(row.pid)), row.answerBytes, {}});
        std::optional<QStringList> values;
        if (answer.answered() && !answer.ecus().isEmpty())
            values = row.decode(answer.ecus().front().data.mid(2));
        if (values)
            item = {InfoItem::State::Answered, *values, {}};
        else
            noAnswer(item, answer.answered() ? scan::AnswerStatus::Garbled : answer.status(), what);
        if (answer.ended())
            ended = answer.status();
    }
    return info;
}

} // namespace diag
