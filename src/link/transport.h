// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <optional>

namespace scan {

// What a scan tool says about reaching the vehicle.
enum class ReadyState { Vehicle, NoVehicle, NotYet };

// A stream transport's scan tool repeats a ready marker while idle: "S" when it reaches the
// vehicle (it wins in a chunk holding both), "P" when it does not. Each chunk is judged alone.
ReadyState readyMarkerIn(QByteArrayView chunk);

// The one narrow path to a scan tool, whatever carries the bytes.
class Transport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens the device; on failure the reason is left in `error`.
    virtual bool open(QString& error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // False when the bytes could not be handed to the device.
    virtual bool write(const QByteArray& bytes) = 0;
    // The 14-byte pass-through command, raw bytes rather than a text command. A stream carries
    // it like any other bytes; USB has vendor requests of its own for it.
    virtual bool writePassThrough(const QByteArray& frame) { return write(frame); }
    // Everything received and not yet taken; nothing when the device could not be read.
    virtual std::optional<QByteArray> readAll() = 0;
    virtual qint64 bytesAvailable() const = 0;
    // The device as the user knows it, e.g. "/dev/ttyUSB0".
    virtual QString device() const = 0;

    // How the scan tool says it is ready: ready markers in the byte stream, or (USB) only when
    // asked, through pollReady().
    enum class ReadySignal { Markers, Poll };
    virtual ReadySignal readySignal() const { return ReadySignal::Markers; }
    virtual ReadyState pollReady() { return ReadyState::NotYet; }

signals:
    void readyRead();
    // The device went away (unplugged, closed by the other side).
    void lost(const QString& reason);
};

} // namespace scan
