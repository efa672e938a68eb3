// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;
class QTcpServer;
class QTcpSocket;

namespace sim {

class Elm327Simulator;

// Serves a simulated adapter on a pseudo-terminal (POSIX) or on 127.0.0.1:PORT, one client at
// a time. On the terminal the adapter hears the line speed the host set, so a host at the wrong
// rate reads garbage. The unplug fault closes the terminal or the connection and stops serving.
class Elm327Server : public QObject {
    Q_OBJECT
public:
    explicit Elm327Server(Elm327Simulator& adapter, QObject* parent = nullptr);
    ~Elm327Server() override;

    bool openPty(QString* error = nullptr);
    // Port 0 picks a free one.
    bool listenTcp(quint16 port, QString* error = nullptr);
    // "/dev/pts/N" or "tcp:127.0.0.1:PORT"; empty before opening.
    QString device() const { return device_; }
    // The line speed the host set on the terminal; 0 over TCP.
    qint32 ptySpeed() const;

signals:
    void closed();

private:
    void readPty();
    void write(const QByteArray& bytes);
    void close();

    Elm327Simulator& adapter_;
    QString device_;
    int master_ = -1;
    int slave_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTcpServer* server_ = nullptr;
    QTcpSocket* client_ = nullptr;
};

} // namespace sim
