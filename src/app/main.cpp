// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line.h"
#include "diag/trouble_code_definitions.h"
#include "dialog_prompter.h"
#include "headless.h"
#include "link/elm/adapter_link.h"
#include "link/serial_transport.h"
#include "link/usb/libusb_backend.h"
#include "print_sink.h"
#include "program.h"
#include "report_prompter.h"
#include "sim/fake_usb_backend.h"
#include "sim/scan_tool_simulator.h"
#include "simulated_port.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

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

// Qt falls back to a private runtime folder when the session gives none, but warns on every
// start; the warning only confuses users and scripts reading the report.
void provideRuntimeFolder() {
#ifdef Q_OS_LINUX
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QString folder =
        QDir::tempPath() + QStringLiteral("/runtime-") + QString::number(getuid());
    if (QDir().mkpath(folder) &&
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        qputenv("XDG_RUNTIME_DIR", folder.toLocal8Bit());
#endif
}

// The ELM327-class adapter on a serial device or "tcp:HOST:PORT", first tried at `baud`.
std::unique_ptr<scan::elm::ElmAdapter> elmAdapterOn(const QString& device, int baud,
                                                    std::chrono::milliseconds replyTimeout,
                                                    scan::Trace* trace) {
    scan::elm::AdapterOptions options;
    options.baud = baud;
    options.replyTimeout = replyTimeout;
    options.trace = trace;
    return std::make_unique<scan::elm::AdapterLink>(device, options);
}

} // namespace

int main(int argc, char** argv) {
    const app::ParsedCommandLine parsed = app::parseCommandLine(rawArguments(argc, argv));
    if (!parsed.options) {
        app::print(parsed.exitCode == 0 ? stdout : stderr, parsed.output);
        return parsed.exitCode;
    }
    const app::Options& options = *parsed.options;
    const bool headless = options.report || !options.logFile.isEmpty() ||
                          !options.wbo2LogFile.isEmpty() || !options.plotFile.isEmpty();
    if (headless) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else if (!displayAvailable()) {
        app::print(
            stderr,
            QStringLiteral("vamrick: no display found (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                           "Run it in a desktop session, or add --report to print what the window "
                           "shows as text.\n"));
        return 2;
    }

    // Refused before anything connects: a bug report without its trace is no use.
    scan::Trace trace;
    if (QString error; !options.traceFile.isEmpty() && !trace.open(options.traceFile, error)) {
        app::print(stderr, QStringLiteral("vamrick: cannot write the trace to %1: %2\n")
                               .arg(options.traceFile, error));
        return 2;
    }

    provideRuntimeFolder();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vamrick"));
    QApplication::setQuitOnLastWindowClosed(false);
    if (!options.plotFile.isEmpty())
        return app::runPlot(options);

    scan::PortMap portMap;
    for (const auto& [port, device] : options.comDevices)
        portMap.setDevice(port, device);
    std::unique_ptr<sim::ScanToolSimulator> simulator;
    if (options.demo || options.demoUsb) {
        QString error;
        const std::optional<sim::Profile> profile =
            options.demoProfile.isEmpty() ? sim::Profile::defaults()
                                          : sim::Profile::fromFile(options.demoProfile, &error);
        if (!profile) {
            app::print(stderr, QStringLiteral("vamrick: %1\n").arg(error));
            return 2;
        }
        simulator = std::make_unique<sim::ScanToolSimulator>(*profile);
    }
    const auto portFactory = [&](int port) -> std::unique_ptr<scan::Transport> {
        if (options.demo && port == 1)
            return app::simulatedPort(*simulator);
        return std::make_unique<scan::SerialTransport>(portMap.device(port));
    };
    const scan::usb::Identity usbIdentity = options.usb.value_or(scan::usb::kDefaultIdentity);
    const auto usbBackend = [&]() -> std::unique_ptr<scan::usb::Backend> {
        if (options.demoUsb)
            return std::make_unique<sim::FakeUsbBackend>(*simulator, usbIdentity);
        return std::make_unique<scan::usb::LibusbBackend>();
    };

    app::ReportPrompter reportPrompter;
    app::DialogPrompter dialogPrompter;
    core::Prompter& prompter =
        headless ? static_cast<core::Prompter&>(reportPrompter) : dialogPrompter;
    app::PrinterSink printer;
    diag::TroubleCodeDefinitions definitions;
    scan::ScanToolLink::Settings linkSettings;
    linkSettings.replyTimeout = options.replyTimeout;
    linkSettings.trace = &trace;
    // A choice on the command line is for this run only; a report without one uses the box.
    const app::Adapter adapter =
        options.adapter.value_or(headless ? app::Adapter::Box : app::savedAdapter());
    const auto elmAdapter = [&options, &trace](const QString& device) {
        return elmAdapterOn(device, options.elmBaud, options.replyTimeout, &trace);
    };
    app::Program program(
        {prompter, printer, definitions,
         diag::definitionLocations(QApplication::applicationDirPath(), options.definitionsFile),
         QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
             QStringLiteral("/Settings.dat"),
         headless},
        {prompter, definitions, portFactory, linkSettings, std::chrono::seconds(10), usbBackend,
         usbIdentity, elmAdapter, adapter});
    app::MainWindow& window = program.window;
    app::Session& session = program.session;
    dialogPrompter.setParent(&window);
    QObject::connect(&window, &app::MainWindow::exitRequested, &application,
                     [](std::chrono::milliseconds delay) {
                         QTimer::singleShot(delay, qApp, &QCoreApplication::quit);
                     });

    if (!options.captureFile.isEmpty())
        return app::runCapture(window, session, options, reportPrompter);
    if (options.report)
        return app::runReport(window, session, options, reportPrompter);
    if (!options.logFile.isEmpty())
        return app::runLog(window, session, options, reportPrompter);
    if (!options.wbo2LogFile.isEmpty())
        return app::runWbo2Log(window, session, options);

    window.show();
    window.load();
    if (options.metric)
        window.useUnits(true);
    if (options.demo) // the simulated scan tool stands on COM1: connect as a user would
        QTimer::singleShot(0, &window, [&window] { window.com1Action->trigger(); });
    if (options.demoUsb) // ... or is plugged into USB
        QTimer::singleShot(0, &window, [&window] { window.usbAction->trigger(); });
    return application.exec();
}
