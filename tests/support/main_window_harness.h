// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/program.h"
#include "app/simulated_port.h"
#include "diag/trouble_code_definitions.h"
#include "link/in_process_transport.h"
#include "link/serial_transport.h"
#include "sim/fake_usb_backend.h"
#include "sim/scan_tool_simulator.h"
#include "support/scripted_prompter.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include <map>
#include <memory>
#include <set>

// The lines of a file the program wrote; none when it is not there.
inline QStringList writtenLines(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QString::fromLatin1(file.readAll()).split("\r\n", Qt::SkipEmptyParts)
               : QStringList();
}

// Keeps what printing would have put on paper.
struct CapturingPrintSink : app::PrintSink {
    bool hasPrinter() const override { return available; }
    bool print(const QStringList& lines, const QString& pdfPath, QString&) override {
        printed << lines;
        pdf = pdfPath;
        return true;
    }
    bool available = true;
    QStringList printed;
    QString pdf;
};

// A real main window, offscreen, with scripted dialogs, a captured printer, its own definitions
// file, the simulated scan tool on the ports listed in `simulatorPorts` and real serial devices on
// those of `serialDevices` (no other port opens).
struct MainWindowHarness {
    explicit MainWindowHarness(
        sim::Profile profile = sim::Profile::defaults(),
        const QByteArray& definitions = "P0301 Cylinder 1 Misfire Detected\r\n")
        : simulator(std::move(profile)),
          program({prompter,
                   printer,
                   tcf,
                   {dir.filePath("troublecode.tcf"), dir.filePath("missing.tcf")},
                   dir.filePath("Settings.dat")},
                  sessionParts()) {
        QFile out(dir.filePath("troublecode.tcf"));
        if (out.open(QIODevice::WriteOnly))
            out.write(definitions);
    }

    // Clicks `start` and runs `onSample[n]` as the n-th `command` goes out, until the click's run
    // ends.
    template <typename Button>
    void clickCounting(Button* start, const QByteArray& command,
                       std::map<int, std::function<void()>> onSample) {
        int samples = 0;
        onCommand = [&](const QByteArray& sent) {
            if (sent == command)
                if (const auto it = onSample.find(++samples); it != onSample.end())
                    it->second();
        };
        start->click();
        onCommand = nullptr;
    }

    // The session as main() makes it, over the simulated and listed ports, the simulated USB box
    // and the adapter of `elmAdapter`; a short reply timeout.
    app::Session::Parts sessionParts() {
        scan::ScanToolLink::Settings link;
        link.replyTimeout = std::chrono::milliseconds(1000);
        return {prompter,
                tcf,
                [this](int port) { return makePort(port); },
                link,
                std::chrono::seconds(10),
                [this] {
                    auto backend = std::make_unique<sim::FakeUsbBackend>(simulator, usbDevice);
                    usb = backend.get();
                    return backend;
                },
                scan::usb::kDefaultIdentity,
                [this](const QString&) { return elmAdapter ? elmAdapter() : nullptr; }};
    }

    std::unique_ptr<scan::Transport> makePort(int port) {
        if (simulatorPorts.count(port)) {
            auto transport = app::simulatedPort(simulator);
            auto* inProcess = static_cast<scan::InProcessTransport*>(transport.get());
            inProcess->toDevice = [this, inProcess,
                                   forward = inProcess->toDevice](const QByteArray& bytes) {
                sent << bytes;
                if (bytes == unplugOn) {
                    inProcess->unplug(QStringLiteral("device removed"));
                    return;
                }
                if (onCommand)
                    onCommand(bytes);
                forward(bytes);
            };
            return transport;
        }
        if (serialDevices.count(port))
            return std::make_unique<scan::SerialTransport>(serialDevices.at(port));
        return std::make_unique<scan::SerialTransport>(
            QStringLiteral("/dev/vamrick-absent-%1").arg(port));
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    CapturingPrintSink printer;
    diag::TroubleCodeDefinitions tcf;
    sim::ScanToolSimulator simulator;
    std::set<int> simulatorPorts;
    std::map<int, QString> serialDevices;
    QByteArrayList sent; // what the program wrote to the simulated scan tool
    QByteArray unplugOn; // this command unplugs the simulated port instead of reaching the box
    std::function<void(const QByteArray&)> onCommand; // runs as each command goes out
    sim::FakeUsbBackend* usb = nullptr; // the simulated box behind USB, once the USB entry ran
    scan::usb::Identity usbDevice = scan::usb::kDefaultIdentity; // the box's USB identity
    // The ELM327 adapter a port gets when the session's choice is the adapter.
    std::function<std::unique_ptr<scan::elm::ElmAdapter>()> elmAdapter;
    app::Program program;
    app::AppState& state = program.state;
    app::MainWindow* window = &program.window;
    app::Session* session = &program.session;
};
