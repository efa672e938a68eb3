// SPDX-License-Identifier: GPL-3.0-or-later
// The live views against the simulated box: samples per second of the real-time display and of
// a six-item log over a paced pseudo-terminal, each against what the box's own timing allows;
// a six-item log through the simulated ELM327 adapter on CAN, one PID a request against six; and
// the memory of a real-time display that runs for thirty simulated minutes at full speed.

#include "bench_support.h"

#include "app/simulated_port.h"
#include "link/elm/adapter_link.h"
#include "link/in_process_transport.h"
#include "link/serial_transport.h"
#include "sim/scan_tool_simulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <cstdio>
#include <unistd.h>

namespace {

double residentMegabytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(::sysconf(_SC_PAGESIZE)) / 1e6 : 0;
}

// The program on the given ports, connected on COM1.
struct ConnectedProgram : HeadlessProgram {
    explicit ConnectedProgram(scan::ComPorts::Factory ports) : HeadlessProgram(std::move(ports)) {
        connected =
            session.connectScanTool(scan::Entry::Com1) == scan::Connection::Outcome::Connected;
    }
    bool connected = false;
};

void paced(int passes, int samples) {
    QProcess sim;
    sim.start(QStringLiteral(VAMRICK_SIM_EXE), {QStringLiteral("--paced")});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000))
        return;
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QByteArrayList sent;
    ConnectedProgram program([&](int) { return std::make_unique<RecordingSerial>(path, sent); });
    if (!program.connected)
        return;

    sent.clear();
    monitor::PollingRun display(program.session.link());
    display.setLimit(passes);
    monitor::RealtimeDisplay& realtime = program.session.realtimeDisplay();
    realtime.begin();
    const monitor::DisplayItem item = *monitor::displayItem(12);
    QElapsedTimer timer;
    timer.start();
    display.run([&] { return realtime.pass(12, item).point.has_value(); });
    double measured = timer.nsecsElapsed() / 1e9;
    std::printf("real-time display of engine speed over a paced pseudo-terminal:\n"
                "  %.1f samples/s; the box allows %.1f/s -> ratio %.3f\n",
                passes / measured, passes / boxSeconds(sent), boxSeconds(sent) / measured);

    QList<monitor::LogItem> items;
    const QStringList lines = program.state.survey.DataLogItems.stringList();
    for (int i = 0; i < 6; ++i)
        items << monitor::LogItem{program.state.survey.LinePID[i], lines[i]};
    sent.clear();
    monitor::PollingRun log(program.session.link());
    monitor::LogSamples recorded;
    timer.restart();
    program.session.dataLogger().log(log, items, QStringLiteral("0"), recorded, {}, samples);
    measured = timer.nsecsElapsed() / 1e9;
    std::printf("six-item log over a paced pseudo-terminal:\n"
                "  %.2f samples/s; the box allows %.2f/s -> ratio %.3f\n",
                recorded.count() / measured, recorded.count() / boxSeconds(sent),
                boxSeconds(sent) / measured);
    sim.terminate();
    sim.waitForFinished(3000);
}

// The program through vamrick-sim's ELM327 adapter on 11-bit CAN, connected on COM1.
struct ElmProgram : HeadlessParts, app::Program {
    explicit ElmProgram(const QString& path)
        : app::Program(
              {prompter, printer, definitions, {}, {}, true},
              {.prompter = prompter,
               .definitions = definitions,
               .portFactory = [path](int) { return std::make_unique<scan::SerialTransport>(path); },
               .elmAdapter =
                   [](const QString& device) {
                       return std::make_unique<scan::elm::AdapterLink>(device);
                   },
               .adapter = app::Adapter::Elm327}) {
        window.load();
        connected =
            session.connectScanTool(scan::Entry::Com1) == scan::Connection::Outcome::Connected;
    }
    bool connected = false;
};

void elmLog(int latencyMs, int samples) {
    QProcess sim;
    sim.start(QStringLiteral(VAMRICK_SIM_EXE),
              {QStringLiteral("--elm327"), QStringLiteral("--protocol"), QStringLiteral("can11"),
               QStringLiteral("--latency"), QString::number(latencyMs)});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000))
        return;
    ElmProgram program(QString::fromLocal8Bit(sim.readLine()).trimmed());
    if (!program.connected)
        return;
    QList<monitor::LogItem> items;
    const QStringList lines = program.state.survey.DataLogItems.stringList();
    for (int i = 0; i < 6; ++i)
        items << monitor::LogItem{program.state.survey.LinePID[i], lines[i]};
    const auto rate = [&] {
        monitor::PollingRun log(program.session.link());
        monitor::LogSamples recorded;
        QElapsedTimer timer;
        timer.start();
        program.session.dataLogger().log(log, items, QStringLiteral("0"), recorded, {}, samples);
        return recorded.count() / (timer.nsecsElapsed() / 1e9);
    };
    const double several = rate();
    program.session.driver().onePidARequest();
    const double one = rate();
    std::printf("six-item log through the simulated ELM327 on 11-bit CAN, %d ms latency:\n"
                "  one PID a request %.2f samples/s, six PIDs a request %.2f samples/s -> %.2fx\n",
                latencyMs, one, several, several / one);
    sim.terminate();
    sim.waitForFinished(3000);
}

void memory(int minutes) {
    sim::Profile profile = sim::Profile::defaults();
    profile.markerPeriodMs = 1;
    sim::ScanToolSimulator simulator(profile);
    int passes = 0;
    double afterFirstMinute = 0;
    double atEnd = 0;
    // Thirty minutes of the paced box's full speed, at the box's ~36 engine speed readings a
    // second, fed as fast as the in-process simulator answers.
    const int perMinute = 36 * 60;
    ConnectedProgram program([&](int) {
        auto port = app::simulatedPort(simulator);
        auto* inProcess = static_cast<scan::InProcessTransport*>(port.get());
        inProcess->toDevice = [&, forward = inProcess->toDevice](const QByteArray& bytes) {
            forward(bytes);
            if (bytes != "010C07")
                return;
            if (++passes == perMinute)
                afterFirstMinute = residentMegabytes();
            if (passes == perMinute * minutes) {
                atEnd = residentMegabytes();
                program.window.tools().chartWindow()->stopButton->click();
            }
        };
        return port;
    });
    if (!program.connected)
        return;
    const int line = int(program.state.survey.DataLogItems.stringList().indexOf(
        QRegularExpression(QStringLiteral("^Engine RPM.*"))));
    program.window.dataList->setCurrentRow(line);
    program.window.chartSelectedLine();
    std::printf("real-time display for %d simulated minutes (%d samples, %d kept on the chart):\n"
                "  resident memory %.1f MB after the first minute, %.1f MB at the end -> growth "
                "%.2f MB\n",
                minutes, passes, program.window.tools().chartWindow()->stripChart->pointCount(),
                afterFirstMinute, atEnd, atEnd - afterFirstMinute);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    paced(argc > 1 ? std::atoi(argv[1]) : 300, argc > 2 ? std::atoi(argv[2]) : 40);
    for (const int latencyMs : {10, 50})
        elmLog(latencyMs, argc > 2 ? std::atoi(argv[2]) : 40);
    memory(argc > 3 ? std::atoi(argv[3]) : 30);
    return 0;
}
