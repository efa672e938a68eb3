// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"

#include <QDateTime>
#include <QStringList>

#include <optional>
#include <vector>

namespace monitor {

// What one logger run recorded: the fixed column arrays of up to 17,999 samples.
struct LogSamples {
    static constexpr int kMaxSamples = 17999;

    QString intervalText;     // the sample interval box's text, as typed
    QTime startTime;          // when logging began
    QStringList descriptions; // the items' descriptions, in column order
    // Per sample: each item's number (nothing when its request went unanswered), then the
    // elapsed seconds.
    std::vector<std::vector<std::optional<double>>> values;
    std::vector<double> elapsed;

    int count() const { return int(elapsed.size()); }
};

// The log file's text: three header records, one per item, "Elapsed Time", then one record of
// numbers per sample (an unanswered item is an empty field, never a made-up 0).
QByteArray logFileText(const LogSamples& samples, const QDate& written);

// Writes a file whole or not at all; false with the reason when it could not be written.
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString& error);

// Asks for a file name until the log is written there or the user discards its samples.
void saveAskingAgain(core::Prompter& prompter, const QByteArray& text, int samples);

// The log file, written whole or not at all.
bool writeLogFile(const QString& path, const LogSamples& samples, QString& error);

} // namespace monitor
