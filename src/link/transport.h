#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

namespace scan {

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
    // Everything received and not yet taken; nothing when the device could not be read.
    virtual std::optional<QByteArray> readAll() = 0;
    virtual qint64 bytesAvailable() const = 0;
    // The device as the user knows it, e.g. "/dev/ttyUSB0".
    virtual QString device() const = 0;

signals:
    void readyRead();
    // The device went away (unplugged, closed by the other side).
    void lost(const QString& reason);
};

} // namespace scan
