// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

namespace monitor {

// The record conventions of the log and settings files: written items are typed (a quoted
// string, a plain decimal number with a period, #TRUE#/#FALSE#, #NULL#), several in one record
// separated by commas; printed items are bare text; every record ends with CR LF.
class RecordWriter {
public:
    // One record of written items; an invalid QVariant is #NULL#.
    void write(const QVariantList& items);
    // One record of printed text.
    void print(const QString& text);
    const QByteArray& bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

// A number as the files write it: plain decimal, a period, never an exponent.
QString plainNumber(double value);

// Reads items back, across commas and line ends, each as the type its encoding shows.
class RecordReader {
public:
    explicit RecordReader(QByteArray bytes) : bytes_(std::move(bytes)) {}
    // The next item; nothing at the end.
    std::optional<QVariant> next();

private:
    QByteArray bytes_;
    qsizetype at_ = 0;
};

} // namespace monitor
