// SPDX-License-Identifier: GPL-3.0-or-later
#include "records.h"

#include <cmath>

namespace monitor {

QString plainNumber(double value) {
    if (!std::isfinite(value))
        return QStringLiteral("0");
    QString text = QString::number(value, 'f', 10);
    while (text.contains(QLatin1Char('.')) &&
           (text.endsWith(QLatin1Char('0')) || text.endsWith(QLatin1Char('.'))))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

void RecordWriter::write(const QVariantList& items) {
    QStringList texts;
    for (const QVariant& item : items) {
        switch (item.typeId()) {
        case QMetaType::Bool:
            texts << (item.toBool() ? QStringLiteral("#TRUE#") : QStringLiteral("#FALSE#"));
            break;
        case QMetaType::QString:
            // A quote in the text is doubled, or it would end the text and spoil what follows.
            texts << QLatin1Char('"') + item.toString().replace(u'"', QStringLiteral("\"\"")) +
                         QLatin1Char('"');
            break;
        case QMetaType::UnknownType:
            texts << QStringLiteral("#NULL#");
            break;
        default:
            texts << plainNumber(item.toDouble());
            break;
        }
    }
    print(texts.join(QLatin1Char(',')));
}

void RecordWriter::print(const QString& text) {
    bytes_ += text.toLatin1() + "\r\n";
}

std::optional<QVariant> RecordReader::next() {
    while (at_ < bytes_.size() &&
           (bytes_[at_] == ' ' || bytes_[at_] == '\r' || bytes_[at_] == '\n' || bytes_[at_] == ','))
        ++at_;
    if (at_ >= bytes_.size())
        return std::nullopt;
    if (bytes_[at_] == '"') {
        QByteArray text;
        for (;;) {
            const qsizetype end = bytes_.indexOf('"', at_ + 1);
            const qsizetype stop = end < 0 ? bytes_.size() : end;
            text += bytes_.mid(at_ + 1, stop - at_ - 1);
            at_ = stop + 1;
            if (at_ >= bytes_.size() || bytes_[at_] != '"')
                break;
            text += '"'; // a doubled quote is one quote of the text
        }
        return QVariant(QString::fromLatin1(text));
    }
    qsizetype end = at_;
    while (end < bytes_.size() && bytes_[end] != ',' && bytes_[end] != '\r' && bytes_[end] != '\n')
        ++end;
    const QByteArray item = bytes_.mid(at_, end - at_).trimmed();
    at_ = end;
    if (item == "#TRUE#" || item == "#FALSE#")
        return QVariant(item == "#TRUE#");
    if (item == "#NULL#")
        return QVariant();
    bool number = false;
    const double value = item.toDouble(&number);
    return number ? QVariant(value) : QVariant(QString::fromLatin1(item));
}

} // namespace monitor
