// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial_transport.h"

namespace scan {

SerialTransport::SerialTransport(const QString& device, QObject* parent)
    : Transport(parent), device_(device) {
    port_.setPortName(device);
    connect(&port_, &QSerialPort::readyRead, this, &Transport::readyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        // A vanished device shows as a resource error (USB adapters) or as reads that keep failing
        // (a hung-up terminal); either way the port is of no further use.
        const bool gone = e == QSerialPort::ResourceError || e == QSerialPort::ReadError;
        if (gone && port_.isOpen()) {
            const QString reason = port_.errorString();
            port_.close();
            emit lost(reason);
        }
    });
}

bool SerialTransport::open(QString& error) {
    const bool ok =
        port_.open(QIODevice::ReadWrite) && port_.setBaudRate(QSerialPort::Baud19200) &&
        port_.setDataBits(QSerialPort::Data8) && port_.setParity(QSerialPort::NoParity) &&
        port_.setStopBits(QSerialPort::OneStop) && port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        error = device_ + QStringLiteral(": ") + port_.errorString();
        port_.close();
    }
    return ok;
}

void SerialTransport::close() {
    port_.close();
}

bool SerialTransport::isOpen() const {
    return port_.isOpen();
}

bool SerialTransport::write(const QByteArray& bytes) {
    if (!port_.isOpen() || port_.write(bytes) != bytes.size())
        return false;
    port_.flush(); // hand the command to the driver now rather than at the next event
    return true;
}

std::optional<QByteArray> SerialTransport::readAll() {
    if (!port_.isOpen())
        return std::nullopt;
    return port_.readAll();
}

qint64 SerialTransport::bytesAvailable() const {
    return port_.isOpen() ? port_.bytesAvailable() : 0;
}

} // namespace scan
