// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transport.h"

#include <QSerialPort>

namespace scan {

// A scan tool on a serial port at 19200 baud, no parity, 8 data bits, 1 stop bit.
class SerialTransport : public Transport {
    Q_OBJECT
public:
    explicit SerialTransport(const QString& device, QObject* parent = nullptr);

    bool open(QString& error) override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray& bytes) override;
    std::optional<QByteArray> readAll() override;
    qint64 bytesAvailable() const override;
    QString device() const override { return device_; }

private:
    QString device_;
    QSerialPort port_;
};

} // namespace scan
