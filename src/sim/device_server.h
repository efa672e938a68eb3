// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;
class QTcpServer;
class QTcpSocket;

namespace sim {

class SimulatedDevice;

// Serves a simulated device on a pseudo-terminal, so that a program opens it like a serial port,
// or on 127.0.0.1:PORT to one client at a time (POSIX only). The server keeps its own descriptor
// of the terminal's host side open: a host may open and close the port as often as it likes,
// and what piles up while no host reads is dropped rather than blocking the simulator. When the
// device vanishes the server closes the terminal or the connection and stops serving.
class DeviceServer : public QObject {
    Q_OBJECT
public:
    explicit DeviceServer(SimulatedDevice& device, QObject* parent = nullptr);
    ~DeviceServer() override;

    // The terminal starts at `baud` (9600 to 115200) until the host sets its own speed.
    bool openPty(qint32 baud, QString* error = nullptr);
    // Port 0 picks a free one.
    bool listenTcp(quint16 port, QString* error = nullptr);
    void close();
    bool isOpen() const { return master_ >= 0 || server_; }
    // "/dev/pts/N" or "tcp:127.0.0.1:PORT"; empty before opening.
    QString device() const { return path_; }
    // The line speed the host set on the terminal: 0 over TCP, -1 for a rate the table lacks.
    qint32 lineSpeed() const;

signals:
    void closed();

private:
    void readFromHost();
    void writeToHost(const QByteArray& bytes);

    SimulatedDevice& device_;
    QString path_;
    int master_ = -1;
    int slave_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTcpServer* server_ = nullptr;
    QTcpSocket* client_ = nullptr;
};

} // namespace sim
