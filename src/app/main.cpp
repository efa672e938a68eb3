#include "command_line.h"
#include "diag/trouble_code_definitions.h"
#include "dialog_prompter.h"
#include "main_window.h"
#include "print_sink.h"
#include "report.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

bool displayAvailable() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

QStringList rawArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char** argv) {
    const app::ParsedCommandLine parsed = app::parseCommandLine(rawArguments(argc, argv));
    if (!parsed.options) {
        std::fputs(parsed.output.toLocal8Bit().constData(), parsed.exitCode == 0 ? stdout : stderr);
        return parsed.exitCode;
    }
    const app::Options& options = *parsed.options;
    if (options.report) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else if (!displayAvailable()) {
        std::fputs("vamrick: no display found (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                   "Run it in a desktop session, or add --report to print what the window shows as "
                   "text.\n",
                   stderr);
        return 2;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vamrick"));
    QApplication::setQuitOnLastWindowClosed(false);

    app::AppState state;
    app::DialogPrompter prompter;
    app::PrinterSink printer;
    diag::TroubleCodeDefinitions definitions;
    app::MainWindow window(state, {prompter, printer, definitions,
                                   diag::definitionLocations(QApplication::applicationDirPath(),
                                                             options.definitionsFile)});
    prompter.setParent(&window);
    QObject::connect(&window, &app::MainWindow::exitRequested, &application,
                     [](std::chrono::milliseconds delay) {
                         QTimer::singleShot(delay, qApp, &QCoreApplication::quit);
                     });

    if (options.report) {
        window.Form_Load();
        std::fputs(app::windowReport(window).toLocal8Bit().constData(), stdout);
        return 0;
    }
    window.show();
    window.Form_Load();
    return application.exec();
}
