// SPDX-License-Identifier: GPL-3.0-or-later
#include "pseudo_terminal.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

struct Rate {
    qint32 baud;
    speed_t speed;
};

constexpr Rate kRates[] = {
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200},
};

} // namespace

bool openPseudoTerminal(qint32 baud, PseudoTerminal& terminal, QString* error) {
    const auto rate = std::find_if(std::begin(kRates), std::end(kRates),
                                   [baud](const Rate& r) { return r.baud == baud; });
    if (rate == std::end(kRates)) {
        if (error)
            *error = QStringLiteral("cannot create a pseudo-terminal at %1 baud").arg(baud);
        return false;
    }
    PseudoTerminal opened;
    auto fail = [&](const char* step) {
        if (error)
            *error =
                QStringLiteral("cannot create a pseudo-terminal (%1: %2)")
                    .arg(QLatin1StringView(step), QString::fromLocal8Bit(std::strerror(errno)));
        if (opened.master >= 0)
            ::close(opened.master);
        if (opened.slave >= 0)
            ::close(opened.slave);
        return false;
    };
    opened.master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (opened.master < 0)
        return fail("posix_openpt");
    if (::grantpt(opened.master) != 0)
        return fail("grantpt");
    if (::unlockpt(opened.master) != 0)
        return fail("unlockpt");
    if (::fcntl(opened.master, F_SETFL, ::fcntl(opened.master, F_GETFL) | O_NONBLOCK) != 0 ||
        ::fcntl(opened.master, F_SETFD, FD_CLOEXEC) != 0)
        return fail("fcntl");
    char name[128] = {};
#ifdef __linux__
    if (::ptsname_r(opened.master, name, sizeof name) != 0)
        return fail("ptsname");
#else
    const char* shared = ::ptsname(opened.master);
    if (!shared)
        return fail("ptsname");
    std::strncpy(name, shared, sizeof name - 1);
#endif
    opened.slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (opened.slave < 0)
        return fail("open");
    termios mode{};
    if (::tcgetattr(opened.slave, &mode) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&mode);
    ::cfsetispeed(&mode, rate->speed);
    ::cfsetospeed(&mode, rate->speed);
    if (::tcsetattr(opened.slave, TCSANOW, &mode) != 0)
        return fail("tcsetattr");
    opened.path = QString::fromLocal8Bit(name);
    terminal = opened;
    return true;
}

qint32 terminalSpeed(int slave) {
    termios mode{};
    if (slave < 0 || ::tcgetattr(slave, &mode) != 0)
        return 0;
    const speed_t speed = ::cfgetospeed(&mode);
    for (const Rate& rate : kRates)
        if (rate.speed == speed)
            return rate.baud;
    return -1;
}

} // namespace sim
