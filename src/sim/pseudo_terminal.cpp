// SPDX-License-Identifier: GPL-3.0-or-later
#include "pseudo_terminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sim {

bool openPseudoTerminal(speed_t speed, PseudoTerminal& terminal, QString* error) {
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
    ::cfsetispeed(&mode, speed);
    ::cfsetospeed(&mode, speed);
    if (::tcsetattr(opened.slave, TCSANOW, &mode) != 0)
        return fail("tcsetattr");
    opened.path = QString::fromLocal8Bit(name);
    terminal = opened;
    return true;
}

} // namespace sim
