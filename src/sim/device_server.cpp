// SPDX-License-Identifier: GPL-3.0-or-later
#include "device_server.h"

#include "pseudo_terminal.h"
#include "simulated_device.h"

#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>

#include <cerrno>
#include <termios.h>
#include <unistd.h>

namespace sim {

DeviceServer::DeviceServer(SimulatedDevice& device, QObject* parent)
    : QObject(parent), device_(device) {
    connect(&device_, &SimulatedDevice::transmit, this, &DeviceServer::writeToHost);
    connect(&device_, &SimulatedDevice::disconnected, this, &DeviceServer::close);
}

DeviceServer::~DeviceServer() {
    disconnect(this, &DeviceServer::closed, nullptr, nullptr); // going away is no unplug
    close();
}

bool DeviceServer::openPty(qint32 baud, QString* error) {
    if (isOpen())
        return true;
    PseudoTerminal terminal;
    if (!openPseudoTerminal(baud, terminal, error))
        return false;
    master_ = terminal.master;
    slave_ = terminal.slave;
    path_ = terminal.path;
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &DeviceServer::readFromHost);
    device_.setLineSpeed([this] { return lineSpeed(); });
    return true;
}

bool DeviceServer::listenTcp(quint16 port, QString* error) {
    if (isOpen())
        return true;
    server_ = new QTcpServer(this);
    if (!server_->listen(QHostAddress::LocalHost, port)) {
        if (error)
            *error = QStringLiteral("cannot listen on 127.0.0.1:%1 (%2)")
                         .arg(port)
                         .arg(server_->errorString());
        delete server_;
        server_ = nullptr;
        return false;
    }
    path_ = QStringLiteral("tcp:127.0.0.1:%1").arg(server_->serverPort());
    connect(server_, &QTcpServer::newConnection, this, [this] {
        QTcpSocket* next = server_->nextPendingConnection();
        if (client_) {
            next->close(); // a Wi-Fi adapter takes one client
            next->deleteLater();
            return;
        }
        client_ = next;
        connect(client_, &QTcpSocket::readyRead, this,
                [this] { device_.receive(client_->readAll()); });
        connect(client_, &QTcpSocket::disconnected, this, [this] {
            client_->deleteLater();
            client_ = nullptr;
        });
    });
    return true;
}

qint32 DeviceServer::lineSpeed() const {
    return terminalSpeed(slave_);
}

void DeviceServer::readFromHost() {
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            device_.receive(QByteArray(buffer, n));
            if (master_ < 0) // the bytes held a command that made the device vanish
                return;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        // Our own descriptor keeps the terminal side open, so this is a real failure;
        // closing beats a notifier that fires for ever.
        close();
        return;
    }
}

void DeviceServer::writeToHost(const QByteArray& bytes) {
    if (client_) {
        client_->write(bytes);
        return;
    }
    qsizetype done = 0;
    bool flushed = false;
    while (master_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN && !flushed) {
            // Full: nobody has read for kilobytes, so what waits there is stale.
            ::tcflush(slave_, TCIFLUSH);
            flushed = true;
        } else {
            return; // dropped, as a wire drops what nobody listens to
        }
    }
}

void DeviceServer::close() {
    const bool wasOpen = isOpen();
    if (notifier_) {
        // close() may run inside the notifier's own signal (a command that unplugs).
        notifier_->setEnabled(false);
        notifier_.release()->deleteLater();
    }
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
    if (client_) {
        client_->disconnect(this);
        client_->abort();
        client_->deleteLater();
        client_ = nullptr;
    }
    if (server_) {
        server_->close();
        server_->deleteLater();
        server_ = nullptr;
    }
    if (wasOpen)
        emit closed();
}

} // namespace sim
