// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "log_file.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace monitor {

// A data log read back: its samples, how many records at its end were cut short and left out,
// or, for a file that is not a data log (or one damaged before its end), the line that says
// which record is wrong.
struct LogReading {
    std::optional<LogSamples> samples;
    int skipped = 0;
    QString error;
};

// Reads the data logger's file format. Only whole records count: one that lacks a field or its
// line end at the end of the file was cut off when the file was written.
LogReading readLog(const QByteArray& bytes);

// An item's description without the dashes that pad it in the window: "Engine RPM".
QString itemLabel(const QString& description);

} // namespace monitor
