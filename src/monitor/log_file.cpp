#include "log_file.h"

#include "records.h"

#include <QSaveFile>

namespace monitor {

QByteArray logFileText(const LogSamples& samples, const QDate& written) {
    RecordWriter out;
    // A fixed time and date format, the same wherever the file is written.
    out.write({QStringLiteral("Sample Rate Setting=") + samples.intervalText});
    out.write({QStringLiteral("Start Time:") + samples.startTime.toString(Qt::ISODate)});
    out.write({QStringLiteral("Date of Log:") + written.toString(Qt::ISODate)});
    for (const QString& description : samples.descriptions)
        out.write({description + QLatin1Char(',')});
    out.write({QStringLiteral("Elapsed Time")});
    for (int n = 0; n < samples.count(); ++n) {
        QStringList fields;
        for (const std::optional<double>& value : samples.values[n])
            fields << (value ? plainNumber(*value) : QString());
        fields << plainNumber(samples.elapsed[n]);
        out.print(fields.join(QLatin1Char(',')));
    }
    return out.bytes();
}

bool writeLogFile(const QString& path, const LogSamples& samples, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(logFileText(samples, QDate::currentDate())) < 0 || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace monitor
