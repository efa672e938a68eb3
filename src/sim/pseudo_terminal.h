// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace sim {

// Both ends of a new pseudo-terminal in raw mode, non-blocking and closed on exec. We keep a
// descriptor of the host's end (`slave`) ourselves, so that the terminal lives on while hosts
// open and close it.
struct PseudoTerminal {
    int master = -1;
    int slave = -1;
    QString path; // what the host opens, e.g. "/dev/pts/3"
};

// The terminal starts at `baud`, one of 9600, 19200, 38400, 57600 and 115200. False with a
// one-line reason in `error` (nothing is left open then).
bool openPseudoTerminal(qint32 baud, PseudoTerminal& terminal, QString* error);

// The speed the host set on the terminal of `slave`: one of the rates above, 0 when it cannot
// be read, -1 for any other.
qint32 terminalSpeed(int slave);

} // namespace sim
