// SPDX-License-Identifier: GPL-3.0-or-later
// How close the whole headless report through an ELM327 adapter gets to what the adapter's own
// timing allows: vamrick --report against vamrick-sim --elm327 on a pseudo-terminal, measured
// from the report's trace.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

constexpr int kBaud = 38400;
constexpr double kLatencyMs = 10; // the default profile's, for each vehicle request
constexpr double kCharMs = 10000.0 / kBaud;

struct Measure {
    int requests = 0;
    double seconds = 0; // from the end of the protocol search to the last answer
    double allowed = 0; // what the adapter's timing needs for the same requests and answers
};

// Everything after the first vehicle request's answer (the protocol search) counts.
std::optional<Measure> measure(const QString& tracePath) {
    QFile file(tracePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    static const QRegularExpression line(QStringLiteral("^(\\d+\\.\\d{3}) elm327 ([<>]) (.*)$"));
    static const QRegularExpression vehicle(QStringLiteral("^[0-9A-F]+$"));
    Measure m;
    bool searched = false;
    bool searching = false;
    double start = 0;
    double last = 0;
    while (!file.atEnd()) {
        const QRegularExpressionMatch match =
            line.match(QString::fromLatin1(file.readLine()).trimmed());
        if (!match.hasMatch())
            continue;
        const double at = match.captured(1).toDouble();
        const bool sent = match.captured(2) == QLatin1String(">");
        const QString bytes = match.captured(3);
        if (!searched) {
            if (sent && vehicle.match(bytes).hasMatch())
                searching = true;
            else if (!sent && searching) {
                searched = true;
                start = at;
            }
            continue;
        }
        if (sent) {
            ++m.requests;
            // Each answer ends with a line end and the prompt after it.
            m.allowed += (vehicle.match(bytes).hasMatch() ? kLatencyMs : 0) + 2 * kCharMs;
        } else {
            m.allowed += (bytes.size() + 1) * kCharMs;
            last = at;
        }
    }
    m.seconds = last - start;
    m.allowed /= 1000;
    return m.requests > 0 && m.seconds > 0 ? std::optional(m) : std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    Measure total;
    for (int run = 0; run < runs; ++run) {
        QProcess sim;
        sim.start(QStringLiteral(VAMRICK_SIM_EXE), {QStringLiteral("--elm327")});
        if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000))
            return 1;
        const QString pty = QString::fromLocal8Bit(sim.readLine()).trimmed();
        QTemporaryDir dir;
        const QString trace = dir.filePath(QStringLiteral("trace.txt"));
        QProcess report;
        report.start(QStringLiteral(VAMRICK_EXE),
                     {QStringLiteral("--report"), QStringLiteral("--adapter"),
                      QStringLiteral("elm327"), QStringLiteral("--com"), QStringLiteral("1=") + pty,
                      QStringLiteral("--trace"), trace});
        if (!report.waitForFinished(60000) || report.exitCode() != 0) {
            std::fprintf(stderr, "the report failed: %s\n",
                         report.readAllStandardError().constData());
            return 1;
        }
        sim.terminate();
        sim.waitForFinished(3000);
        const std::optional<Measure> m = measure(trace);
        if (!m)
            return 1;
        total.requests += m->requests;
        total.seconds += m->seconds;
        total.allowed += m->allowed;
    }
    std::printf("whole report through the simulated ELM327 (CAN 11-bit, %d baud, %.0f ms latency), "
                "%d runs: %d requests a report\n",
                kBaud, kLatencyMs, runs, total.requests / runs);
    std::printf("  %.1f requests/s; its timing allows %.1f/s -> ratio %.3f\n",
                total.requests / total.seconds, total.requests / total.allowed,
                total.allowed / total.seconds);
    return 0;
}
