// SPDX-License-Identifier: GPL-3.0-or-later
#include "pty_server.h"

#include "pseudo_terminal.h"
#include "scan_tool_simulator.h"

#include <QSocketNotifier>

#include <cerrno>
#include <termios.h>
#include <unistd.h>

namespace sim {

PtyServer::PtyServer(ScanToolSimulator& simulator, QObject* parent)
    : QObject(parent), simulator_(simulator) {
    connect(&simulator_, &ScanToolSimulator::transmit, this, &PtyServer::writeToHost);
    connect(&simulator_, &ScanToolSimulator::disconnected, this, &PtyServer::close);
}

PtyServer::~PtyServer() {
    notifier_.reset();
    closeDescriptors();
}

void PtyServer::closeDescriptors() {
    if (notifier_) {
        // close() may run inside the notifier's own signal (a command that disconnects).
        notifier_->setEnabled(false);
        notifier_.release()->deleteLater();
    }
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
}

bool PtyServer::open(QString* error) {
    if (isOpen())
        return true;
    PseudoTerminal terminal;
    if (!openPseudoTerminal(B19200, terminal, error))
        return false;
    master_ = terminal.master;
    slave_ = terminal.slave;
    path_ = terminal.path;
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &PtyServer::readFromHost);
    return true;
}

void PtyServer::close() {
    const bool wasOpen = isOpen();
    closeDescriptors();
    if (wasOpen)
        emit closed();
}

void PtyServer::readFromHost() {
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            simulator_.receive(QByteArray(buffer, n));
            if (!isOpen()) // the bytes held a command that disconnected
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

void PtyServer::writeToHost(const QByteArray& bytes) {
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

} // namespace sim
