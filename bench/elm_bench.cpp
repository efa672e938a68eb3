// SPDX-License-Identifier: GPL-3.0-or-later
// How close requests through an ELM327 adapter get to what the adapter's own timing allows:
// vamrick-sim --elm327 on a pseudo-terminal, reached through the real adapter link.

#include "link/elm/adapter_link.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int requests = argc > 1 ? std::atoi(argv[1]) : 200;
    constexpr int kBaud = 38400;
    constexpr double kLatencyMs = 10; // the default profile's

    QProcess sim;
    sim.start(QStringLiteral(VAMRICK_SIM_EXE), {QStringLiteral("--elm327")});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000))
        return 1;
    scan::elm::AdapterLink adapter(QString::fromLocal8Bit(sim.readLine()).trimmed());

    int answered = 0;
    int sent = 0;
    qint64 chars = 0; // of every answer, line ends and prompt included
    QElapsedTimer timer;
    std::function<void()> next = [&] {
        if (sent++ == requests) {
            QCoreApplication::quit();
            return;
        }
        adapter.send("010C", [&](const scan::elm::ElmAnswer& answer) {
            if (answer.kind == scan::elm::ElmAnswer::Kind::Lines) {
                ++answered;
                for (const QString& line : answer.lines)
                    chars += line.size() + 1;
                chars += 2;
            }
            next();
        });
    };
    QObject::connect(&adapter, &scan::elm::ElmAdapter::ready, [&] {
        // The first request searches for the protocol: not part of the measure.
        adapter.send("0100", [&](const scan::elm::ElmAnswer&) {
            timer.start();
            next();
        });
    });
    QObject::connect(&adapter, &scan::elm::ElmAdapter::failed, [](const QString& reason) {
        std::fprintf(stderr, "%s\n", qPrintable(reason));
        QCoreApplication::exit(1);
    });
    QTimer::singleShot(0, &adapter, &scan::elm::AdapterLink::start);
    if (app.exec() != 0)
        return 1;

    const double seconds = timer.nsecsElapsed() / 1e9;
    const double allowed = (requests * kLatencyMs + chars * 10000.0 / kBaud) / 1000.0;
    std::printf("\"010C\" through the simulated ELM327 (CAN 11-bit, %d baud, %.0f ms latency): "
                "%d of %d answered\n",
                kBaud, kLatencyMs, answered, requests);
    std::printf("  %.1f requests/s; its timing allows %.1f/s -> ratio %.3f\n", requests / seconds,
                requests / allowed, allowed / seconds);
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}
