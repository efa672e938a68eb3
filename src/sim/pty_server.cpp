#include "pty_server.h"

#include "scan_tool_simulator.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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
    auto fail = [&](const char* step) {
        if (error)
            *error =
                QStringLiteral("cannot create a pseudo-terminal (%1: %2)")
                    .arg(QLatin1StringView(step), QString::fromLocal8Bit(std::strerror(errno)));
        closeDescriptors();
        return false;
    };
    if (isOpen())
        return true;
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        return fail("posix_openpt");
    if (::grantpt(master_) != 0)
        return fail("grantpt");
    if (::unlockpt(master_) != 0)
        return fail("unlockpt");
    if (::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK) != 0 ||
        ::fcntl(master_, F_SETFD, FD_CLOEXEC) != 0)
        return fail("fcntl");
    char name[128] = {};
#ifdef __linux__
    if (::ptsname_r(master_, name, sizeof name) != 0)
        return fail("ptsname");
#else
    const char* shared = ::ptsname(master_);
    if (!shared)
        return fail("ptsname");
    std::strncpy(name, shared, sizeof name - 1);
#endif
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0)
        return fail("open");
    termios mode{};
    if (::tcgetattr(slave_, &mode) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&mode);
    ::cfsetispeed(&mode, B19200);
    ::cfsetospeed(&mode, B19200);
    if (::tcsetattr(slave_, TCSANOW, &mode) != 0)
        return fail("tcsetattr");
    path_ = QString::fromLocal8Bit(name);
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
