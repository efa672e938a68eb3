// SPDX-License-Identifier: GPL-3.0-or-later
#include "elm327_server.h"

#include "elm327_simulator.h"
#include "pseudo_terminal.h"

#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>

#include <cerrno>
#include <termios.h>
#include <unistd.h>

namespace sim {

Elm327Server::Elm327Server(Elm327Simulator& adapter, QObject* parent)
    : QObject(parent), adapter_(adapter) {
    connect(&adapter_, &Elm327Simulator::transmit, this, &Elm327Server::write);
    connect(&adapter_, &Elm327Simulator::disconnected, this, &Elm327Server::close);
}

Elm327Server::~Elm327Server() {
    disconnect(this, &Elm327Server::closed, nullptr, nullptr); // going away is no unplug
    close();
}

bool Elm327Server::openPty(QString* error) {
    PseudoTerminal terminal;
    if (!openPseudoTerminal(B38400, terminal, error))
        return false;
    master_ = terminal.master;
    slave_ = terminal.slave;
    device_ = terminal.path;
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &Elm327Server::readPty);
    adapter_.setLineSpeed([this] { return ptySpeed(); });
    return true;
}

bool Elm327Server::listenTcp(quint16 port, QString* error) {
    server_ = new QTcpServer(this);
    if (!server_->listen(QHostAddress::LocalHost, port)) {
        if (error)
            *error = QStringLiteral("cannot listen on 127.0.0.1:%1 (%2)")
                         .arg(port)
                         .arg(server_->errorString());
        return false;
    }
    device_ = QStringLiteral("tcp:127.0.0.1:%1").arg(server_->serverPort());
    connect(server_, &QTcpServer::newConnection, this, [this] {
        QTcpSocket* next = server_->nextPendingConnection();
        if (client_) {
            next->close(); // a Wi-Fi adapter takes one client
            next->deleteLater();
            return;
        }
        client_ = next;
        connect(client_, &QTcpSocket::readyRead, this,
                [this] { adapter_.receive(client_->readAll()); });
        connect(client_, &QTcpSocket::disconnected, this, [this] {
            client_->deleteLater();
            client_ = nullptr;
        });
    });
    return true;
}

qint32 Elm327Server::ptySpeed() const {
    termios mode{};
    if (slave_ < 0 || ::tcgetattr(slave_, &mode) != 0)
        return 0;
    switch (::cfgetospeed(&mode)) {
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return -1;
    }
}

void Elm327Server::readPty() {
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            adapter_.receive(QByteArray(buffer, n));
            if (master_ < 0)
                return;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return;
        }
    }
}

void Elm327Server::write(const QByteArray& bytes) {
    if (client_) {
        client_->write(bytes);
        return;
    }
    qsizetype done = 0;
    while (master_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, bytes.size() - done);
        if (n > 0)
            done += n;
        else if (!(n < 0 && errno == EINTR))
            return; // nobody reads: dropped, as on a wire
    }
}

void Elm327Server::close() {
    const bool wasOpen = master_ >= 0 || server_;
    if (notifier_) {
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
