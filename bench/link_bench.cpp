// SPDX-License-Identifier: GPL-3.0-or-later
// How close the exchange gets to what the scan tool's own timing allows, and what an idle wait
// costs. Runs vamrick-sim with wire pacing on a pseudo-terminal and talks to it through the real
// serial code.

#include "link/box/box_exchange.h"
#include "link/scan_tool_link.h"
#include "link/serial_transport.h"
#include "sim/scan_tool_simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <ctime>
#include <memory>

namespace {

struct SilentView : scan::LinkView {
    void setLinkColour(scan::LinkColour) override {}
    void setLinkText(const QString&) override {}
    void setStatusText(const QString&) override {}
    void appendStatusText(const QString&) override {}
};

struct ConsolePrompter : core::Prompter {
    void message(const Message& m) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(m.text));
    }
    bool ask(const Question&) override { return false; }
    QString fileName(const FileRequest&) override { return {}; }
    std::optional<QString> input(const InputRequest&) override { return std::nullopt; }
};

// vamrick-sim with the given options, reached through the real serial code.
class SimulatedPort {
public:
    explicit SimulatedPort(const QStringList& arguments) {
        process_.start(QStringLiteral(VAMRICK_SIM_EXE), arguments);
        if (!process_.waitForStarted(5000) || !process_.waitForReadyRead(5000))
            return;
        port_ = std::make_unique<scan::SerialTransport>(
            QString::fromLocal8Bit(process_.readLine()).trimmed());
        QString error;
        if (!port_->open(error)) {
            std::fprintf(stderr, "cannot reach vamrick-sim: %s\n", qPrintable(error));
            port_.reset();
        }
    }
    ~SimulatedPort() {
        port_.reset();
        process_.terminate();
        process_.waitForFinished(3000);
    }
    scan::Transport* port() const { return port_.get(); }

private:
    QProcess process_;
    std::unique_ptr<scan::SerialTransport> port_;
};

double cpuSeconds() {
    return double(std::clock()) / CLOCKS_PER_SEC;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int exchanges = argc > 1 ? std::atoi(argv[1]) : 300;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;

    SilentView view;
    ConsolePrompter prompter;

    {
        SimulatedPort sim({QStringLiteral("--paced")});
        if (!sim.port())
            return 1;
        scan::LinkState state;
        scan::ScanToolLink link(state, view, prompter);
        link.setTransport(sim.port());
        scan::box::BoxExchange box(link, view);
        box.awaitReady();

        const QString request = QStringLiteral("010C07"); // engine speed: two data bytes
        const int threshold = 14;                         // more than twice the reply length
        int good = 0;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < exchanges; ++i) {
            if (box.request(request, threshold).answered())
                ++good;
        }
        const double seconds = timer.nsecsElapsed() / 1e9;
        sim::Profile paced = sim::Profile::defaults();
        paced.paced = true;
        const int replyChars = 1 + 2 * 7 + 2;
        const double limit = sim::exchangeSeconds(paced, replyChars);
        std::printf("exchange \"%s\" over a paced pseudo-terminal: %d of %d replies good\n",
                    qPrintable(request), good, exchanges);
        std::printf("  %.1f exchanges/s; the box allows %.1f/s (%.2f ms each) -> ratio %.3f\n",
                    exchanges / seconds, 1.0 / limit, limit * 1000, (exchanges / seconds) * limit);
    }
    {
        SimulatedPort sim({QStringLiteral("--fault"), QStringLiteral("silence")});
        if (!sim.port())
            return 1;
        scan::LinkState state;
        scan::ScanToolLink::Settings settings;
        settings.replyTimeout = std::chrono::seconds(idleSeconds);
        scan::ScanToolLink link(state, view, prompter, settings);
        link.setTransport(sim.port());
        scan::box::BoxExchange box(link, view);
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = cpuSeconds();
        box.awaitReady();
        const double cpu = cpuSeconds() - cpuBefore;
        const double wall = timer.nsecsElapsed() / 1e9;
        std::printf("waiting %.1f s on a silent scan tool: %.3f s of CPU -> %.2f %% of one core\n",
                    wall, cpu, 100 * cpu / wall);
    }
    return 0;
}
