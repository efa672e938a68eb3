// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timing.h"

#include <QByteArrayView>
#include <QFile>
#include <QLoggingCategory>
#include <QString>

#include <memory>

namespace scan {

// The trace's lines as a logging category, off unless QT_LOGGING_RULES="vamrick.link=true".
Q_DECLARE_LOGGING_CATEGORY(linkTrace)

// Every exchange with the scan tool, both directions, one line each, for bug reports: seconds
// since the trace began with milliseconds, the driver's name, ">" or "<", and the bytes, e.g.
// "12.345 elm327 > 010C". Printable text is written as it stands, anything else as hex bytes.
// The lines go to the logging category and, once open() succeeded, to a file, flushed line by
// line so that a crash loses none of them.
class Trace {
public:
    explicit Trace(TickSource ticks = monotonicTicks);

    // Creates `path` afresh; false, with the reason in `error`, when it cannot be.
    bool open(const QString& path, QString& error);

    void sent(const char* driver, QByteArrayView bytes);
    void received(const char* driver, QByteArrayView bytes);

    // The bytes as a trace line shows them.
    static QString shown(QByteArrayView bytes);

private:
    void write(const char* driver, char direction, QByteArrayView bytes);

    TickSource ticks_;
    qint64 start_;
    std::unique_ptr<QFile> file_;
};

} // namespace scan
