// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <termios.h>

namespace sim {

// Both ends of a new pseudo-terminal in raw mode at `speed`, non-blocking and closed on exec. We
// keep a descriptor of the host's end (`slave`) ourselves, so that the terminal lives on while
// hosts open and close it.
struct PseudoTerminal {
    int master = -1;
    int slave = -1;
    QString path; // what the host opens, e.g. "/dev/pts/3"
};

// False with a one-line reason in `error` (nothing is left open then).
bool openPseudoTerminal(speed_t speed, PseudoTerminal& terminal, QString* error);

} // namespace sim
