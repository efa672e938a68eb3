// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line.h"

#include "core/man_page.h"
#include "diag/monitor_results.h"
#include "link/com_ports.h"

#include "revision.h"

#include <QCommandLineParser>

namespace app {

namespace {

// --wbo2-log: the file, and what it cannot be combined with; the empty text when all is well.
QString wbo2LogOptions(const QCommandLineParser& parser, const QCommandLineOption& wbo2Log,
                       Options& options) {
    if (!parser.isSet(wbo2Log))
        return {};
    options.wbo2LogFile = parser.value(wbo2Log);
    if (options.wbo2LogFile.isEmpty())
        return QStringLiteral("--wbo2-log wants a file name");
    for (const char* other : {"report", "log"})
        if (parser.isSet(QLatin1String(other)))
            return QStringLiteral("--wbo2-log and --%1 cannot be combined").arg(other);
    return {};
}

// A whole number above 0, or nothing.
std::optional<int> positive(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value > 0 ? std::optional<int>(value) : std::nullopt;
}

} // namespace

QString versionLine() {
    const QString revision = QStringLiteral(VAMRICK_REVISION);
    return QStringLiteral("vamrick " VAMRICK_VERSION) +
           (revision.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(revision));
}

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Vamrick: OBD-II diagnostics for passenger cars through a Vamrick scan tool."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show these options and exit."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption plot(
        QStringLiteral("plot"),
        QStringLiteral("Draw the data log <file> (as the logger writes it) as a graph of every "
                       "item against elapsed time into the PNG picture given with --png, without "
                       "a window, then exit. Combines with nothing but --png and --size."),
        QStringLiteral("file"));
    const QCommandLineOption png(QStringLiteral("png"),
                                 QStringLiteral("With --plot: the picture to write."),
                                 QStringLiteral("file"));
    const QCommandLineOption size(
        QStringLiteral("size"),
        QStringLiteral("With --plot: the picture's size in pixels (default 1200x600)."),
        QStringLiteral("WxH"));
    const QCommandLineOption manPage = core::manPageOption();
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Run on the built-in simulated vehicle instead of a scan tool."));
    const QCommandLineOption demoUsb(
        QStringLiteral("demo-usb"),
        QStringLiteral("Run on the built-in simulated vehicle, reached through the USB code path: "
                       "the window connects by USB."));
    const QCommandLineOption profile(
        QStringLiteral("profile"),
        QStringLiteral("With --demo or --demo-usb: the simulated vehicle described in <file> "
                       "(JSON, as for vamrick-sim --profile)."),
        QStringLiteral("file"));
    const QCommandLineOption usb(
        QStringLiteral("usb"),
        QStringLiteral("The scan tool's USB identity, vendor and product ID in hex (default "
                       "16C0:05DC). With --report: connect by USB."),
        QStringLiteral("VID:PID"));
    const QCommandLineOption report(
        QStringLiteral("report"),
        QStringLiteral("Show no window: print what the main window shows as text, then exit."));
    const QCommandLineOption capture(
        QStringLiteral("capture"),
        QStringLiteral(
            "Run the report (with --mode6-scan) on every ECU that answers and write what "
            "the car answered to <file>, a vehicle profile that vamrick-sim --profile "
            "replays."),
        QStringLiteral("file"));
    const QCommandLineOption captureAnonymous(
        QStringLiteral("capture-anonymous"),
        QStringLiteral("With --capture: replace the VIN by a made-up one with the same maker and "
                       "model year."));
    const QCommandLineOption tcf(QStringLiteral("tcf"),
                                 QStringLiteral("Read trouble code definitions from <file> first."),
                                 QStringLiteral("file"));
    const QCommandLineOption com(
        QStringLiteral("com"),
        QStringLiteral(
            "Use DEVICE for the menu entry ComN (N 1-9), e.g. 1=/dev/ttyUSB0. With --report the "
            "first one given is the port connected to."),
        QStringLiteral("N=DEVICE"));
    const QCommandLineOption replyTimeout(
        QStringLiteral("reply-timeout"),
        QStringLiteral("How long each wait for the scan tool lasts: its ready marker, a reply, "
                       "and with --report the wait for the vehicle (default 5000; the stored "
                       "trouble codes keep their own 10 seconds)."),
        QStringLiteral("ms"), QStringLiteral("5000"));
    const QCommandLineOption metric(QStringLiteral("metric"),
                                    QStringLiteral("Start in metric units."));
    const QCommandLineOption readAnyway(
        QStringLiteral("read-codes-anyway"),
        QStringLiteral(
            "With --report: read stored codes even when the MIL is off and none are reported."));
    const QCommandLineOption clear(
        QStringLiteral("clear-codes"),
        QStringLiteral("With --report: clear the trouble codes before reading them."));
    const QCommandLineOption log(
        QStringLiteral("log"),
        QStringLiteral("Log the --log-item values to <file> without a window, in the logger's "
                       "file format, then exit. Connects as --report does."),
        QStringLiteral("file"));
    const QCommandLineOption logItem(
        QStringLiteral("log-item"),
        QStringLiteral("With --log: the first vehicle data line whose description starts with "
                       "<text> (any case). Give 2, 4, 5 or 6."),
        QStringLiteral("text"));
    const QCommandLineOption logInterval(
        QStringLiteral("log-interval"),
        QStringLiteral("With --log: the sample interval in seconds (default 0.100)."),
        QStringLiteral("seconds"), QStringLiteral("0.100"));
    const QCommandLineOption logSamples(
        QStringLiteral("log-samples"),
        QStringLiteral("With --log or --wbo2-log: stop after <n> samples (default: at Ctrl+C, "
                       "SIGTERM or 17,999 samples)."),
        QStringLiteral("n"));
    const QCommandLineOption mode6Scan(
        QStringLiteral("mode6-scan"),
        QStringLiteral("With --report: scan for the supported on-board monitoring tests."));
    const QCommandLineOption mode6(
        QStringLiteral("mode6"),
        QStringLiteral("With --report, repeatable: read one on-board monitoring test result, "
                       "the values as typed into the Mode 6 window (e.g. $0B,1,0.01,V; SCALE "
                       "defaults to 1, UNITS to none); on a CAN vehicle one monitor's results, "
                       "by its monitor ID alone (e.g. $21)."),
        QStringLiteral("TID,CID[,SCALE[,UNITS]]|MID"));
    const QCommandLineOption wbo2Log(
        QStringLiteral("wbo2-log"),
        QStringLiteral("Log the wide-range O2 sensor at PID $34 (lambda and air/fuel ratio) to "
                       "<file> without a window, in the file format of the WBO2 window, then "
                       "exit. Connects as --report does."),
        QStringLiteral("file"));
    const QCommandLineOption adapter(
        QStringLiteral("adapter"),
        QStringLiteral("What is on the COM port: box (the Vamrick scan tool) or elm327 (an "
                       "ELM327-class adapter; a Wi-Fi one as --com N=tcp:HOST:PORT). Without it "
                       "the window uses the last choice of its Adapter menu, a report the box."),
        QStringLiteral("box|elm327"));
    const QCommandLineOption elmBaud(
        QStringLiteral("elm-baud"),
        QStringLiteral("The ELM327 adapter's line speed to try first (default 38400)."),
        QStringLiteral("baud"), QStringLiteral("38400"));
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        QStringLiteral("Write every exchange with the scan tool or adapter to <file>, one line "
                       "each, for a bug report."),
        QStringLiteral("file"));
    parser.addOptions({help,  version,      demo,        demoUsb,          profile,
                       usb,   report,       capture,     captureAnonymous, tcf,
                       com,   replyTimeout, metric,      readAnyway,       clear,
                       log,   logItem,      logInterval, logSamples,       mode6Scan,
                       mode6, wbo2Log,      adapter,     elmBaud,          trace,
                       plot,  png,          size,        manPage});

    ParsedCommandLine result;
    if (!parser.parse(arguments)) {
        result.output = QStringLiteral("vamrick: ") + parser.errorText() +
                        QStringLiteral("\nTry 'vamrick --help' for the options.\n");
        result.exitCode = 2;
        return result;
    }
    if (parser.isSet(help) || parser.isSet(manPage)) {
        const QString helpText =
            QStringLiteral("Usage: vamrick [options]") +
            parser.helpText().mid(parser.helpText().indexOf(QLatin1Char('\n'))) +
            QStringLiteral(
                "\nTrouble code definitions (troublecode.tcf) are read from the file given with\n"
                "--tcf, else from share/vamrick beside the program's bin folder (or, without\n"
                "one, from beside the executable), else from " VAMRICK_DATA_DIR ".\n");
        result.output = parser.isSet(help)
                            ? helpText
                            : core::manPage(QStringLiteral("vamrick"),
                                            QStringLiteral(VAMRICK_VERSION), helpText);
        return result;
    }
    if (parser.isSet(version)) {
        result.output = versionLine() + QLatin1Char('\n');
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.output =
            QStringLiteral(
                "vamrick: unexpected argument '%1'\nTry 'vamrick --help' for the options.\n")
                .arg(parser.positionalArguments().first());
        result.exitCode = 2;
        return result;
    }
    const auto usageError = [&result](const QString& what) {
        result.output =
            QStringLiteral("vamrick: %1\nTry 'vamrick --help' for the options.\n").arg(what);
        result.exitCode = 2;
        return result;
    };
    Options options;
    if (parser.isSet(plot) || parser.isSet(png) || parser.isSet(size)) {
        const QStringList plotting{QStringLiteral("plot"), QStringLiteral("png"),
                                   QStringLiteral("size")};
        for (const QString& name : parser.optionNames()) {
            if (!plotting.contains(name))
                return usageError(QStringLiteral("--plot combines with nothing but --png and "
                                                 "--size, not --%1")
                                      .arg(name));
        }
        if (!parser.isSet(plot) || !parser.isSet(png))
            return usageError(QStringLiteral("--plot FILE wants --png OUT, and --png and --size "
                                             "work only with --plot"));
        options.plotFile = parser.value(plot);
        options.plotPicture = parser.value(png);
        if (parser.isSet(size)) {
            const QStringList wh = parser.value(size).split(QLatin1Char('x'));
            const std::optional<int> w = positive(wh.value(0));
            const std::optional<int> h = positive(wh.value(1));
            if (wh.size() != 2 || !w || !h || *w > 10000 || *h > 10000)
                return usageError(QStringLiteral("--size wants WIDTHxHEIGHT in pixels up to "
                                                 "10000, e.g. 1200x600, not '%1'")
                                      .arg(parser.value(size)));
            options.plotSize = QSize(*w, *h);
        }
        result.options = options;
        return result;
    }
    options.demo = parser.isSet(demo);
    options.demoUsb = parser.isSet(demoUsb);
    if (options.demo && options.demoUsb)
        return usageError(QStringLiteral("--demo and --demo-usb cannot be combined"));
    options.demoProfile = parser.value(profile);
    if (parser.isSet(profile) && !options.demo && !options.demoUsb)
        return usageError(QStringLiteral("--profile works only with --demo or --demo-usb"));
    if (parser.isSet(usb)) {
        options.usb = scan::usb::parseIdentity(parser.value(usb));
        if (!options.usb)
            return usageError(QStringLiteral("--usb wants VID:PID, two hex numbers up to FFFF, "
                                             "e.g. 16C0:05DC, not '%1'")
                                  .arg(parser.value(usb)));
    }
    options.report = parser.isSet(report);
    if (parser.isSet(capture)) {
        options.captureFile = parser.value(capture);
        if (options.captureFile.isEmpty())
            return usageError(QStringLiteral("--capture wants a file name"));
        // A capture keeps the car as it was found.
        for (const char* other : {"clear-codes", "log", "wbo2-log"})
            if (parser.isSet(QLatin1String(other)))
                return usageError(
                    QStringLiteral("--capture and --%1 cannot be combined").arg(other));
        options.report = true;
    }
    options.captureAnonymous = parser.isSet(captureAnonymous);
    if (options.captureAnonymous && options.captureFile.isEmpty())
        return usageError(QStringLiteral("--capture-anonymous works only with --capture"));
    options.metric = parser.isSet(metric);
    options.readCodesAnyway = parser.isSet(readAnyway);
    options.clearCodes = parser.isSet(clear);
    options.definitionsFile = parser.value(tcf);
    if (!options.report && (options.readCodesAnyway || options.clearCodes))
        return usageError(QStringLiteral("--%1 works only with --report")
                              .arg(options.clearCodes ? QStringLiteral("clear-codes")
                                                      : QStringLiteral("read-codes-anyway")));
    for (const QString& value : parser.values(com)) {
        const auto parsed = scan::PortMap::parseOverride(value);
        if (!parsed)
            return usageError(
                QStringLiteral("--com wants N=DEVICE with N from 1 to 9, not '%1'").arg(value));
        options.comDevices << *parsed;
    }
    options.logFile = parser.value(log);
    options.logItems = parser.values(logItem);
    options.logInterval = parser.value(logInterval);
    const bool logging = parser.isSet(log);
    if (!logging && (parser.isSet(logItem) || parser.isSet(logInterval)))
        return usageError(QStringLiteral("--log-item and --log-interval work only with --log"));
    if (const QString failure = wbo2LogOptions(parser, wbo2Log, options); !failure.isEmpty())
        return usageError(failure);
    if (!logging && options.wbo2LogFile.isEmpty() && parser.isSet(logSamples))
        return usageError(QStringLiteral("--log-samples works only with --log or --wbo2-log"));
    if (logging && options.report)
        return usageError(QStringLiteral("--log and --report cannot be combined"));
    if (logging && !QList<qsizetype>{2, 4, 5, 6}.contains(options.logItems.size()))
        return usageError(QStringLiteral("--log wants 2, 4, 5 or 6 --log-item options, not %1")
                              .arg(options.logItems.size()));
    bool ok = false;
    if (logging && (options.logInterval.toDouble(&ok) < 0 || !ok))
        return usageError(QStringLiteral("--log-interval wants a number of seconds, 0 or more, "
                                         "not '%1'")
                              .arg(options.logInterval));
    if (parser.isSet(logSamples)) {
        options.logSamples = positive(parser.value(logSamples));
        if (!options.logSamples)
            return usageError(QStringLiteral("--log-samples wants a whole number above 0"));
    }
    if (!options.report && (parser.isSet(mode6Scan) || parser.isSet(mode6)))
        return usageError(QStringLiteral("--mode6-scan and --mode6 work only with --report"));
    options.mode6Scan = parser.isSet(mode6Scan) || !options.captureFile.isEmpty();
    for (const QString& value : parser.values(mode6)) {
        // The units come last and may hold commas of their own ("volts,amps").
        const QStringList fields = value.split(QLatin1Char(','));
        if (fields.first().trimmed().isEmpty())
            return usageError(
                QStringLiteral("--mode6 wants TID,CID[,SCALE[,UNITS]] or MID, not '%1'")
                    .arg(value));
        Mode6Request request;
        request.monitor = fields.size() == 1;
        if (request.monitor && !diag::typedMonitorId(fields[0]))
            return usageError(QStringLiteral("--mode6 wants a monitor ID from $01 to $FF other "
                                             "than $20, $40 ... $E0, not '%1'")
                                  .arg(value));
        request.testId = fields[0];
        request.componentId = fields.value(1);
        if (fields.size() > 2)
            request.scale = fields[2];
        if (fields.size() > 3)
            request.units = fields.mid(3).join(QLatin1Char(','));
        options.mode6Requests << request;
    }
    const std::optional<int> timeout = positive(parser.value(replyTimeout));
    if (!timeout)
        return usageError(QStringLiteral("--reply-timeout wants a number of milliseconds above 0"));
    options.replyTimeout = std::chrono::milliseconds(*timeout);
    if (parser.isSet(adapter)) {
        options.adapter = adapterNamed(parser.value(adapter));
        if (!options.adapter)
            return usageError(QStringLiteral("--adapter wants box or elm327"));
    }
    const std::optional<int> baud = positive(parser.value(elmBaud));
    if (!baud)
        return usageError(QStringLiteral("--elm-baud wants a line speed such as 38400"));
    options.elmBaud = *baud;
    options.traceFile = parser.value(trace);
    result.options = options;
    return result;
}

} // namespace app
