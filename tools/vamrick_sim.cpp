// SPDX-License-Identifier: GPL-3.0-or-later
// vamrick-sim: the simulated scan tool and vehicle on a pseudo-terminal, so that Vamrick's real
// serial code can be run end to end (vamrick --com 1=/dev/pts/N).

#include "core/man_page.h"
#include "core/termination_signals.h"
#include "sim/device_server.h"
#include "sim/elm327_simulator.h"
#include "sim/scan_tool_simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int failWith(const QString& reason) {
    std::fprintf(stderr, "vamrick-sim: %s\n", qPrintable(reason));
    return 1;
}

QString systemError(const QString& what) {
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

// Points `link` at `target`. An existing symbolic link is replaced atomically, by renaming a new
// one made beside it over it, so that a host never finds the path missing; anything else there
// is left alone.
bool makeLink(const QString& link, const QString& target, QString& error) {
    const QByteArray path = QFile::encodeName(link);
    struct stat existing {};
    if (::lstat(path.constData(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        error = QStringLiteral("--link %1: exists and is not a symbolic link").arg(link);
        return false;
    }
    QByteArray temporary;
    for (int attempt = 0;; ++attempt) {
        temporary = path + ".vamrick-sim-" + QByteArray::number(::getpid()) + "-" +
                    QByteArray::number(attempt);
        if (::symlink(QFile::encodeName(target).constData(), temporary.constData()) == 0)
            break;
        if (errno != EEXIST || attempt == 9) {
            error = systemError(QStringLiteral("--link %1").arg(link));
            return false;
        }
    }
    if (::rename(temporary.constData(), path.constData()) != 0) {
        error = systemError(QStringLiteral("--link %1").arg(link));
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

// Removes the link unless another simulator has taken it over meanwhile.
void removeLink(const QString& link, const QString& target) {
    const QByteArray path = QFile::encodeName(link);
    char buffer[4096];
    const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer);
    if (n >= 0 && QByteArray(buffer, n) == QFile::encodeName(target))
        ::unlink(path.constData());
}

bool readMs(const QCommandLineParser& parser, const QCommandLineOption& option, int min, int& out) {
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < min || value > 60000)
        return false;
    out = value;
    return true;
}

// Where and how a device is served.
struct Serving {
    qint32 baud;                    // the terminal's speed until the host sets its own
    std::optional<quint16> tcpPort; // 127.0.0.1:PORT instead of a terminal
    std::optional<QString> link;    // the terminal's stable name
    const char* gone;               // what to say when the device vanishes
};

// Serves the device until SIGINT or SIGTERM, printing where it is first.
int serve(sim::SimulatedDevice& device, const Serving& serving) {
    sim::DeviceServer server(device);
    QString error;
    const bool open = serving.tcpPort ? server.listenTcp(*serving.tcpPort, &error)
                                      : server.openPty(serving.baud, &error);
    if (!open)
        return failWith(error);
    QObject::connect(&server, &sim::DeviceServer::closed, [&serving] {
        std::fprintf(stderr, "vamrick-sim: %s; waiting for a signal\n", serving.gone);
    });
    const bool linked = serving.link && !serving.tcpPort;
    if (linked && !makeLink(*serving.link, server.device(), error))
        return failWith(error);
    std::printf("%s\n", qPrintable(server.device()));
    std::fflush(stdout);
    const int status = QCoreApplication::exec();
    if (linked)
        removeLink(*serving.link, server.device());
    return status;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vamrick-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated Vamrick scan tool and vehicle on a pseudo-terminal. Prints the "
                       "terminal's path on the first line and serves it until SIGINT or SIGTERM."));
    parser.addHelpOption();
    const QCommandLineOption profileOption(
        QStringLiteral("profile"), QStringLiteral("Vehicle profile (JSON) over the built-in one."),
        QStringLiteral("file"));
    const QCommandLineOption pacedOption(
        QStringLiteral("paced"), QStringLiteral("Send at 19200 baud plus the ECU latency."));
    const QCommandLineOption latencyOption(QStringLiteral("latency"),
                                           QStringLiteral("ECU latency when paced, 0-60000 ms."),
                                           QStringLiteral("ms"));
    const QCommandLineOption markerOption(QStringLiteral("marker-period"),
                                          QStringLiteral("Idle marker period, 1-60000 ms."),
                                          QStringLiteral("ms"));
    const QCommandLineOption faultOption(
        QStringLiteral("fault"),
        QStringLiteral("Inject a fault. NAME is one of %1; COUNT replies (empty: all); only "
                       "commands starting with PREFIX, after AFTER of them were answered. "
                       "Repeatable.")
            .arg(sim::faultNames()),
        QStringLiteral("NAME[:COUNT[:PREFIX[:AFTER]]]"));
    const QCommandLineOption unreachableOption(
        QStringLiteral("unreachable"),
        QStringLiteral("The vehicle does not answer (markers \"P\")."));
    const QCommandLineOption linkOption(
        QStringLiteral("link"),
        QStringLiteral("Make PATH a symbolic link to the terminal, replacing an older link there, "
                       "and remove it on exit unless another simulator has taken it over."),
        QStringLiteral("PATH"));
    const QCommandLineOption elmOption(
        QStringLiteral("elm327"),
        QStringLiteral("Be an ELM327 adapter instead of the scan tool (the default for a profile "
                       "captured through one); --fault then takes one of %1.")
            .arg(sim::elmFaultNames()));
    const QCommandLineOption protocolOption(
        QStringLiteral("protocol"),
        QStringLiteral("The adapter's vehicle bus: %1 (default: the profile's, or can11).")
            .arg(sim::elmProtocolNames()),
        QStringLiteral("name"));
    const QCommandLineOption baudOption(QStringLiteral("baud"),
                                        QStringLiteral("The adapter's baud rate (default 38400)."),
                                        QStringLiteral("rate"));
    const QCommandLineOption seedOption(
        QStringLiteral("seed"),
        QStringLiteral("Where the adapter's line faults strike, as a number (default fixed)."),
        QStringLiteral("N"));
    const QCommandLineOption tcpOption(
        QStringLiteral("tcp"), QStringLiteral("Serve the adapter on 127.0.0.1:PORT instead."),
        QStringLiteral("PORT"));
    const QCommandLineOption manPageOption = core::manPageOption();
    parser.addOptions({profileOption, pacedOption, latencyOption, markerOption, faultOption,
                       unreachableOption, linkOption, elmOption, protocolOption, baudOption,
                       seedOption, tcpOption, manPageOption});
    parser.process(app);
    if (parser.isSet(manPageOption)) {
        const QByteArray page = core::manPage(QStringLiteral("vamrick-sim"),
                                              QStringLiteral(VAMRICK_VERSION), parser.helpText())
                                    .toUtf8();
        return std::fwrite(page.constData(), 1, std::size_t(page.size()), stdout) ==
                       std::size_t(page.size())
                   ? 0
                   : 1;
    }

    QString error;
    std::optional<sim::Profile> profile =
        parser.isSet(profileOption) ? sim::Profile::fromFile(parser.value(profileOption), &error)
                                    : sim::Profile::defaults();
    if (!profile)
        return failWith(error);
    if (parser.isSet(pacedOption))
        profile->paced = true;
    if (parser.isSet(unreachableOption))
        profile->reachable = false;
    if (!readMs(parser, latencyOption, 0, profile->latencyMs))
        return failWith(QStringLiteral("--latency wants 0-60000 milliseconds"));
    if (!readMs(parser, markerOption, 1, profile->markerPeriodMs))
        return failWith(QStringLiteral("--marker-period wants 1-60000 milliseconds"));

    const auto signalNotifier = core::onTerminationSignals([] { QCoreApplication::quit(); });
    if (!signalNotifier)
        return failWith(QStringLiteral("cannot set up signal handling"));

    const std::optional<QString> link =
        parser.isSet(linkOption) ? std::optional(parser.value(linkOption)) : std::nullopt;
    if (parser.isSet(elmOption) || profile->elm327) {
        sim::ElmProtocol protocol = profile->bus.value_or(sim::ElmProtocol::Can11);
        qint32 baud = 38400;
        std::optional<quint16> tcpPort;
        sim::ElmFaults faults;
        if (parser.isSet(protocolOption)) {
            const auto named = sim::elmProtocolFromName(parser.value(protocolOption));
            if (!named)
                return failWith(
                    QStringLiteral("--protocol wants one of %1").arg(sim::elmProtocolNames()));
            protocol = *named;
        }
        if (parser.isSet(baudOption)) {
            baud = parser.value(baudOption).toInt();
            if (baud != 9600 && baud != 19200 && baud != 38400 && baud != 57600 && baud != 115200)
                return failWith(QStringLiteral("--baud wants 9600, 19200, 38400, 57600 or 115200"));
        }
        if (parser.isSet(tcpOption)) {
            bool ok = false;
            tcpPort = parser.value(tcpOption).toUShort(&ok);
            if (!ok)
                return failWith(QStringLiteral("--tcp wants a port number"));
        }
        if (parser.isSet(seedOption)) {
            bool ok = false;
            faults.seed = parser.value(seedOption).toUInt(&ok);
            if (!ok)
                return failWith(QStringLiteral("--seed wants a whole number"));
        }
        for (const QString& text : parser.values(faultOption))
            if (!sim::addElmFault(faults, text, &error))
                return failWith(error);
        sim::Elm327Simulator adapter(*profile, protocol, baud, faults);
        // The terminal starts at the adapter's factory rate, whatever rate it was set to.
        return serve(adapter, {38400, tcpPort, link, "the adapter is gone (unplug fault)"});
    }
    std::vector<sim::FaultRule> faults;
    for (const QString& text : parser.values(faultOption)) {
        const std::optional<sim::FaultRule> rule = sim::parseFaultRule(text, &error);
        if (!rule)
            return failWith(error);
        faults.push_back(*rule);
    }

    sim::ScanToolSimulator simulator(*profile);
    for (const sim::FaultRule& rule : faults)
        simulator.injectFault(rule);
    return serve(simulator, {19200, std::nullopt, link, "the device is gone (disconnect fault)"});
}
