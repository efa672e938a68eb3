// SPDX-License-Identifier: GPL-3.0-or-later
#include "log_reader.h"

#include <QStringList>

namespace monitor {

namespace {

// A header record: one quoted text; nothing when the line is not one.
std::optional<QString> quoted(const QString& line) {
    if (line.size() < 2 || !line.startsWith(QLatin1Char('"')) || !line.endsWith(QLatin1Char('"')))
        return std::nullopt;
    QString text = line.mid(1, line.size() - 2);
    return text.replace(QStringLiteral("\"\""), QStringLiteral("\""));
}

std::optional<double> number(const QString& field) {
    bool ok = false;
    const double value = field.toDouble(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

// One sample: each item's number or an empty field, then the elapsed seconds.
bool readRecord(const QString& line, qsizetype items, LogSamples& samples) {
    const QStringList fields = line.split(QLatin1Char(','));
    if (fields.size() != items + 1)
        return false;
    std::vector<std::optional<double>> values;
    for (qsizetype i = 0; i < items; ++i) {
        const std::optional<double> value = number(fields[i]);
        if (!value && !fields[i].isEmpty())
            return false;
        values.push_back(value);
    }
    const std::optional<double> elapsed = number(fields.last());
    if (!elapsed)
        return false;
    samples.values.push_back(std::move(values));
    samples.elapsed.push_back(*elapsed);
    return true;
}

} // namespace

QString itemLabel(const QString& description) {
    QString label = description;
    while (!label.isEmpty() && (label.back() == QLatin1Char('-') || label.back().isSpace()))
        label.chop(1);
    return label.isEmpty() ? description.trimmed() : label;
}

LogReading readLog(const QByteArray& bytes) {
    LogReading reading;
    // The logger ends its lines with CR LF; a copy passed through an editor may have LF alone.
    QStringList lines = QString::fromLatin1(bytes)
                            .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                            .split(QLatin1Char('\n'));
    // What follows the last line end is a record the writer never finished.
    const QString unfinished = lines.takeLast();
    const auto fail = [&reading](qsizetype line, const QString& why) {
        reading.error = QStringLiteral("line %1: %2").arg(line + 1).arg(why);
        return reading;
    };
    LogSamples samples;
    const std::optional<QString> rate = quoted(lines.value(0));
    if (!rate || !rate->startsWith(QLatin1String("Sample Rate Setting=")))
        return fail(0, QStringLiteral("not a data log: it does not start with the sample rate"));
    samples.intervalText = rate->mid(20);
    const std::optional<QString> start = quoted(lines.value(1));
    if (!start || !start->startsWith(QLatin1String("Start Time:")))
        return fail(1, QStringLiteral("not a data log: no start time"));
    samples.startTime = QTime::fromString(start->mid(11), Qt::ISODate);
    const std::optional<QString> date = quoted(lines.value(2));
    if (!date || !date->startsWith(QLatin1String("Date of Log:")))
        return fail(2, QStringLiteral("not a data log: no date"));
    qsizetype at = 3;
    for (; at < lines.size(); ++at) {
        const std::optional<QString> item = quoted(lines[at]);
        if (!item)
            return fail(at, QStringLiteral("not a data log: an item or \"Elapsed Time\" expected"));
        if (*item == QLatin1String("Elapsed Time"))
            break;
        if (!item->endsWith(QLatin1Char(',')))
            return fail(at, QStringLiteral("not a data log: an item without its comma"));
        samples.descriptions << item->chopped(1);
    }
    if (at == lines.size())
        return fail(at, QStringLiteral("not a data log: no \"Elapsed Time\" record"));
    if (samples.descriptions.isEmpty())
        return fail(at, QStringLiteral("not a data log: no items"));
    for (++at; at < lines.size(); ++at) {
        if (!readRecord(lines[at], samples.descriptions.size(), samples))
            return fail(at, QStringLiteral("record %1 is not a sample of %2 items and the "
                                           "elapsed time")
                                .arg(samples.count() + 1)
                                .arg(samples.descriptions.size()));
    }
    reading.skipped = unfinished.isEmpty() ? 0 : 1;
    reading.samples = std::move(samples);
    return reading;
}

} // namespace monitor
