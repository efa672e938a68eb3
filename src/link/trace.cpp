// SPDX-License-Identifier: GPL-3.0-or-later
#include "trace.h"

#include <algorithm>

namespace scan {

Q_LOGGING_CATEGORY(linkTrace, "vamrick.link", QtWarningMsg)

Trace::Trace(TickSource ticks) : ticks_(std::move(ticks)), start_(ticks_()) {}

bool Trace::open(const QString& path, QString& error) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        error = file->errorString();
        return false;
    }
    file_ = std::move(file);
    return true;
}

void Trace::sent(const char* driver, QByteArrayView bytes) {
    write(driver, '>', bytes);
}

void Trace::received(const char* driver, QByteArrayView bytes) {
    write(driver, '<', bytes);
}

QString Trace::shown(QByteArrayView bytes) {
    const bool printable =
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    if (printable)
        return QString::fromLatin1(bytes);
    return QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper());
}

void Trace::write(const char* driver, char direction, QByteArrayView bytes) {
    if (bytes.isEmpty() || (!file_ && !linkTrace().isDebugEnabled()))
        return;
    const QString line =
        QStringLiteral("%1 %2 %3 %4")
            .arg(double(ticks_() - start_) / 1000, 0, 'f', 3)
            .arg(QLatin1String(driver), QString(QLatin1Char(direction)), shown(bytes));
    qCDebug(linkTrace).noquote() << line;
    if (!file_)
        return;
    const QByteArray text = line.toUtf8() + '\n';
    if (file_->write(text) != text.size() || !file_->flush()) {
        // A trace that cannot be written must not stop the work it records.
        qWarning("vamrick: the trace stopped: %s could not be written (%s)",
                 qPrintable(file_->fileName()), qPrintable(file_->errorString()));
        file_.reset();
    }
}

} // namespace scan
