// SPDX-License-Identifier: GPL-3.0-or-later
// A full vehicle data survey of the default simulated vehicle over a paced pseudo-terminal,
// against the time the simulated box's own timing needs for the exchanges the survey made.

#include "bench_support.h"

#include "link/serial_transport.h"
#include "sim/scan_tool_simulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int surveys = argc > 1 ? std::atoi(argv[1]) : 5;

    QProcess sim;
    sim.start(QStringLiteral(VAMRICK_SIM_EXE), {QStringLiteral("--paced")});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "vamrick-sim did not start\n");
        return 1;
    }
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();

    QByteArrayList sent;
    HeadlessProgram program([&](int) { return std::make_unique<RecordingSerial>(path, sent); });
    app::MainWindow& window = program.window;
    app::Session& session = program.session;
    if (session.connectScanTool(scan::Entry::Com1) != scan::Connection::Outcome::Connected) {
        std::fprintf(stderr, "not connected: %s\n",
                     qPrintable(session.connection().failureReason()));
        return 1;
    }

    double measured = 0, limit = 0;
    int exchanges = 0;
    for (int i = 0; i < surveys; ++i) {
        sent.clear();
        QElapsedTimer timer;
        timer.start();
        window.readCurrentData();
        measured += timer.nsecsElapsed() / 1e9;
        limit += boxSeconds(sent);
        exchanges += sent.size();
    }
    std::printf("full survey of the default vehicle over a paced pseudo-terminal, %d runs:\n",
                surveys);
    std::printf(
        "  %d lines, %d exchanges a survey, %.3f s a survey; the box needs %.3f s -> ratio %.3f\n",
        program.state.survey.PIDCount, exchanges / surveys, measured / surveys, limit / surveys,
        limit / measured);
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}
