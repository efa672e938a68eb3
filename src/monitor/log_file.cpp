// SPDX-License-Identifier: GPL-3.0-or-later
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

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString& error) {
    QSaveFile file(path);
    // A short write, or a buffered tail that only fails when flushed (a full disk), must not
    // reach commit(), which would put the cut file in place of the old one.
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
    if (!written || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

void saveAskingAgain(core::Prompter& prompter, const QByteArray& text, int samples) {
    for (;;) {
        const QString path =
            prompter.fileName({QStringLiteral("Save Log"),
                               QStringLiteral("OBD-II log files (*.log);;All files (*)")});
        QString error = QStringLiteral("no file was chosen");
        if (!path.isEmpty() && writeWholeFile(path, text, error))
            return;
        if (!path.isEmpty())
            error = QStringLiteral("%1 could not be written (%2)").arg(path, error);
        const QString question =
            QStringLiteral("The log of %1 samples is not saved: %2. Choose a file for it again? "
                           "No discards it.")
                .arg(samples)
                .arg(error);
        if (!prompter.ask({question, QStringLiteral("Save Log"), core::Prompter::Icon::Warning}))
            return;
    }
}

bool writeLogFile(const QString& path, const LogSamples& samples, QString& error) {
    return writeWholeFile(path, logFileText(samples, QDate::currentDate()), error);
}

} // namespace monitor
