// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app_state.h"
#include "main_window.h"
#include "session.h"

namespace app {

// The program's parts wired together, the one way main() and the tests build it: the state, the
// main window, and the session whose operations the window starts.
struct Program {
    Program(MainWindow::Services services, Session::Parts parts)
        : window(state, std::move(services)), session(state, window, std::move(parts)) {
        window.attach(session);
    }

    AppState state;
    MainWindow window;
    Session session;
};

} // namespace app
