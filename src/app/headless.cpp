// SPDX-License-Identifier: GPL-3.0-or-later
#include "headless.h"

#include "car_capture.h"
#include "core/termination_signals.h"
#include "diag/mode6_window.h"
#include "monitor/log_plot.h"
#include "monitor/log_reader.h"
#include "report.h"

#include <QBuffer>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <set>

namespace app {

namespace {

// Connects as the window's USB entry would, the wait for the scan tool bounded like the ready wait.
QString connectHeadlessByUsb(Session& session, const Options& options) {
    session.connection().setReadyWaitLimit(options.replyTimeout);
    if (session.connectScanTool(scan::Entry::USB) != scan::Connection::Outcome::Connected)
        return QStringLiteral("not connected by USB: ") + session.connection().failureReason();
    return {};
}

// An adapter is ready once it has reset and found the vehicle's bus. The first search may take two
// reply timeouts, and one that ends without its prompt is tried again a second later.
std::chrono::milliseconds readyWaitLimit(const Options& options) {
    return options.adapter == Adapter::Elm327 ? 5 * options.replyTimeout : options.replyTimeout;
}

// Connects as the window's connection command would, with the ready wait bounded; the empty
// text when connected, otherwise why not.
QString connectHeadless(MainWindow& window, Session& session, const Options& options) {
    window.load();
    if (options.metric)
        window.useUnits(true);
    if (options.demoUsb || options.usb)
        return connectHeadlessByUsb(session, options);
    const int port = options.demo                   ? 1
                     : options.comDevices.isEmpty() ? 0
                                                    : options.comDevices.first().first;
    if (port == 0)
        return QStringLiteral("not connected: no port to connect to (give --com N=DEVICE or "
                              "--demo)");
    session.connection().setReadyWaitLimit(readyWaitLimit(options));
    if (session.connectByNumber(port) != scan::Connection::Outcome::Connected)
        return QStringLiteral("not connected on COM%1: %2")
            .arg(port)
            .arg(session.connection().failureReason());
    return {};
}

// A report section: its heading, then its lines.
QString section(const QString& heading, const QStringList& lines) {
    return QStringLiteral("== %1 ==\n%2\n\n").arg(heading, lines.join(QLatin1Char('\n')));
}

// The O2 sensor tests of every listed sensor, as the O2 test window shows them: one section per
// sensor, or one for the message that keeps the window from opening.
QString o2SensorReport(MainWindow& window) {
    window.openO2Tests();
    diag::Mode5Window& tests = *window.tools().o2TestWindow();
    if (!tests.loadMessage().isEmpty())
        return section(QStringLiteral("O2 Sensor Test"), {tests.loadMessage()});
    QString report;
    for (int line = 0; line < tests.sensorList->count(); ++line) {
        tests.sensorList->setCurrentIndex(line);
        tests.getTestResults();
        const diag::O2TestOutcome& outcome = tests.lastOutcome();
        QStringList lines;
        if (outcome.monitor) {
            // On CAN every test of the sensor's monitor, each with its limits and verdict.
            lines = diag::MonitorScan{{*outcome.monitor}, {}}.lines();
        } else {
            for (const diag::O2TestResult& result : outcome.results) {
                const int i = result.id - 1;
                QStringList boxes{tests.testLabels[i]->text(), tests.resultBoxes[i]->text()};
                if (result.id >= 5)
                    boxes << tests.minBoxes[i - 4]->text() << tests.maxBoxes[i - 4]->text();
                lines << boxes.join(QLatin1Char('\t'));
            }
            if (!outcome.message.isEmpty())
                lines << outcome.message;
        }
        report += section(
            QStringLiteral("O2 Sensor Test (%1)").arg(tests.sensorList->itemText(line)), lines);
    }
    return report;
}

int fail(const QString& why, int status) {
    print(stderr, QStringLiteral("vamrick: ") + why + QStringLiteral("\n"));
    return status;
}

bool creatable(const QString& path) {
    const QFileInfo file(path);
    return file.exists() ? file.isFile() && file.isWritable()
                         : QFileInfo(file.absolutePath()).isDir() &&
                               QFileInfo(file.absolutePath()).isWritable();
}

// Where the samples go when the file asked for cannot be written: beside it, or in the
// temporary folder.
QString writeFallback(const QString& path, const QByteArray& text) {
    const QString name = QStringLiteral("vamrick-log-%1.log")
                             .arg(QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss"));
    QString error;
    for (const QString& folder : {QFileInfo(path).absolutePath(), QDir::tempPath()}) {
        const QString fallback = QDir(folder).filePath(name);
        if (monitor::writeWholeFile(fallback, text, error))
            return fallback;
    }
    return {};
}

// Writes a headless run's samples (or, failing that, a fallback file) and gives its exit status.
int finishLog(const QString& path, const QByteArray& text, int samples,
              monitor::PollingRun::End end) {
    QString error;
    if (!monitor::writeWholeFile(path, text, error)) {
        const QString fallback = writeFallback(path, text);
        return fail(fallback.isEmpty()
                        ? QStringLiteral("%1 could not be written (%2); the samples are lost")
                              .arg(path, error)
                        : QStringLiteral("%1 could not be written (%2); the %3 samples are in %4")
                              .arg(path, error)
                              .arg(samples)
                              .arg(fallback),
                    1);
    }
    if (end == monitor::PollingRun::End::LostScanTool)
        return fail(QStringLiteral("the scan tool was lost after %1 samples; they are in %2")
                        .arg(samples)
                        .arg(path),
                    1);
    return 0;
}

// Progress on standard error once a second.
class Progress {
public:
    Progress() {
        sinceProgress_.start();
        sinceStart_.start();
    }
    void sampled(int samples) {
        if (sinceProgress_.elapsed() < 1000)
            return;
        sinceProgress_.restart();
        print(stderr, QStringLiteral("%1 samples, %2/s\n")
                          .arg(samples)
                          .arg(samples * 1000.0 / sinceStart_.elapsed(), 0, 'f', 1));
    }

private:
    QElapsedTimer sinceProgress_;
    QElapsedTimer sinceStart_;
};

QString mode6Heading(const Mode6Request& request) {
    return request.monitor
               ? QStringLiteral("On-Board Monitoring (Monitor ID %1)").arg(request.testId)
               : QStringLiteral("SAE-J1979 Service $06 (Test ID %1, Component ID %2)")
                     .arg(request.testId, request.componentId);
}

// On CAN the tests are read by monitor, each with its units and limits, through the window's
// monitor form; a request by test and component ID does not fit, and the report says so.
QString monitorReport(MainWindow& window, const Options& options) {
    window.openOnBoardTests();
    diag::Mode6Window& mode6 = *window.tools().onBoardTestWindow();
    QString report;
    if (options.mode6Scan) {
        mode6.scanSupportedTests();
        report += section(QStringLiteral("On-Board Monitoring"), mode6.lastMonitorScan().lines());
    }
    for (const Mode6Request& request : options.mode6Requests) {
        if (!request.monitor) {
            report += section(mode6Heading(request),
                              {QStringLiteral("On CAN the tests are read by monitor ID, e.g. "
                                              "--mode6 '$21'.")});
            continue;
        }
        // The command line let only monitor IDs through, which the window takes as typed.
        mode6.testIdBox->setText(request.testId);
        mode6.getTestResult();
        report += section(mode6Heading(request), mode6.lastMonitorScan().lines());
    }
    return report;
}

// The on-board monitoring tests of the command line, run through the Mode 6 window as a user
// would; message boxes shown instead of a result are the section's lines.
QString mode6Report(MainWindow& window, const Options& options, ReportPrompter& prompter) {
    Session& session = window.session();
    if (session.isConnected() && session.driver().capabilities().canTestResults)
        return monitorReport(window, options);
    if (!window.onBoardTestsAction->isEnabled()) {
        // A firmware that did not answer is not known to lack them.
        const QString why =
            !session.isConnected()
                ? QStringLiteral("The Mode 6 Tests need the scan tool, which was lost.")
            : session.state().link.FirmwareVersion > 0
                ? QStringLiteral("The scan tool's firmware does not offer the Mode 6 Tests.")
                : QStringLiteral("No answer to the firmware request, and the Mode 6 Tests need "
                                 "the scan tool's firmware.");
        QString report;
        if (options.mode6Scan)
            report += section(QStringLiteral("Supported Tests"), {why});
        for (const Mode6Request& request : options.mode6Requests)
            report += section(mode6Heading(request), {why});
        return report;
    }
    window.openOnBoardTests();
    diag::Mode6Window& mode6 = *window.tools().onBoardTestWindow();
    QString report;
    if (options.mode6Scan) {
        const qsizetype before = prompter.messages.size();
        mode6.scanSupportedTests();
        QStringList lines;
        for (int i = 0; i < mode6.supportedTests->count(); ++i)
            lines << mode6.supportedTests->itemText(i);
        if (lines.isEmpty())
            lines = prompter.messages.size() > before ? prompter.messages.mid(before)
                                                      : QStringList(mode6.returnedBox->text());
        report += section(QStringLiteral("Supported Tests"), lines);
    }
    for (const Mode6Request& request : options.mode6Requests) {
        if (request.monitor) {
            report += section(mode6Heading(request),
                              {QStringLiteral("Without CAN the tests are read by test and "
                                              "component ID, e.g. --mode6 '$0B,1'.")});
            continue;
        }
        mode6.testIdBox->setText(request.testId);
        mode6.componentIdBox->setText(request.componentId);
        mode6.scaleBox->setText(request.scale);
        mode6.unitsBox->setText(request.units);
        const qsizetype before = prompter.messages.size();
        mode6.getTestResult();
        QStringList lines = prompter.messages.mid(before);
        if (lines.isEmpty()) {
            const std::pair<QLineEdit*, QLineEdit*> rows[] = {
                {mode6.returnedCaption, mode6.returnedBox},
                {mode6.valueCaption, mode6.valueBox},
                {mode6.verdictCaption, mode6.verdictBox},
                {mode6.minCaption, mode6.minBox},
                {mode6.maxCaption, mode6.maxBox}};
            for (const auto& [caption, box] : rows)
                lines << caption->text() + QLatin1Char('\t') + box->text();
        }
        report += section(mode6Heading(request), lines);
    }
    return report;
}

// What the report reads of the current ECU after its survey: the trouble codes, the freeze
// frame, the O2 sensor tests and the on-board tests, each as the window shows it.
QString ecuReport(MainWindow& window, const Options& options, ReportPrompter& prompter) {
    window.readTroubleCodes();
    QString report = windowReport(window, window.troubleCodesButton->text(), false);
    window.readFreezeFrame();
    report += windowReport(window, window.freezeFrameButton->text());
    if (!window.o2TestButton->isHidden())
        report += o2SensorReport(window);
    return report + mode6Report(window, options, prompter);
}

// Every other ECU that answers, in the order the scan tool switches to them, read as the report
// reads the first; the survey runs as each is switched to.
void captureOtherEcus(MainWindow& window, Session& session, const Options& options,
                      ReportPrompter& prompter, CarCapture& capture) {
    std::set<quint8> captured{*capture.currentEcu()};
    // The scan tool comes back to the first ECU after the last; eight ECUs at the most.
    while (session.isConnected() && captured.size() < 8) {
        session.changeEcu();
        const std::optional<quint8> ecu = capture.currentEcu();
        if (!ecu || !captured.insert(*ecu).second)
            return;
        print(stderr, QStringLiteral("Capturing ECU %1\n").arg(scan::ecuText(*ecu)));
        capture.noteVehicleInfo(session.vehicleInfo());
        ecuReport(window, options, prompter);
    }
}

} // namespace

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

int runReport(MainWindow& window, Session& session, const Options& options,
              ReportPrompter& prompter) {
    prompter.answerYes = options.readCodesAnyway;
    QString failure = connectHeadless(window, session, options);
    QString report = windowReport(window);
    if (failure.isEmpty()) {
        report +=
            section(QStringLiteral("Vehicle Information"), session.vehicleInfo().reportLines());
        if (options.clearCodes) {
            window.clearTroubleCodes();
            report += windowReport(window, window.clearCodesButton->text(), false);
            if (session.codeClearing().refused())
                failure = QStringLiteral("the ECU refused to clear the trouble codes");
        }
        report += ecuReport(window, options, prompter);
        if (const int unanswered = session.link().unanswered(); unanswered && failure.isEmpty())
            failure =
                QStringLiteral("incomplete check: %1 request(s) were not answered").arg(unanswered);
    }
    if (!prompter.messages.isEmpty())
        report += QStringLiteral("== Messages ==\n") + prompter.messages.join(QLatin1Char('\n')) +
                  QStringLiteral("\n");
    print(stdout, report);
    return failure.isEmpty() ? 0 : fail(failure, 1);
}

int runCapture(MainWindow& window, Session& session, const Options& options,
               ReportPrompter& prompter) {
    const QString& file = options.captureFile;
    if (!creatable(file))
        return fail(QStringLiteral("cannot create the capture file %1").arg(file), 2);
    CarCapture capture(session.adapter() == Adapter::Elm327 && !options.usb && !options.demoUsb);
    session.setRequestObserver(&capture);
    const int status = runReport(window, session, options, prompter);
    const std::optional<quint8> first = capture.currentEcu();
    if (first) {
        print(stderr, QStringLiteral("Captured ECU %1\n").arg(scan::ecuText(*first)));
        capture.noteVehicleInfo(session.vehicleInfo());
        // The stored codes even when the MIL is off and none are reported, here and in the ECUs
        // that follow.
        prompter.answerYes = true;
        window.readTroubleCodes();
        captureOtherEcus(window, session, options, prompter, capture);
    }
    session.setRequestObserver(nullptr);
    if (!first)
        return fail(QStringLiteral("no ECU answered, so %1 was not written").arg(file), 1);
    if (QString error;
        !monitor::writeWholeFile(file, capture.profileText(options.captureAnonymous), error))
        return fail(QStringLiteral("cannot write %1: %2").arg(file, error), 1);
    print(stderr,
          QStringLiteral("Wrote %1 ECU(s) to %2; replay them with vamrick-sim --profile %2\n")
              .arg(capture.ecuCount())
              .arg(file));
    return status;
}

int runLog(MainWindow& window, Session& session, const Options& options, ReportPrompter& prompter) {
    if (!creatable(options.logFile))
        return fail(QStringLiteral("cannot create the log file %1").arg(options.logFile), 2);
    if (const QString failure = connectHeadless(window, session, options); !failure.isEmpty())
        return fail(failure, 1);

    const obd::SurveyState& survey = session.state().survey;
    const QStringList descriptions = survey.DataLogItems.stringList();
    QList<monitor::LogItem> items;
    for (const QString& wanted : options.logItems) {
        const auto found =
            std::find_if(descriptions.begin(), descriptions.end(), [&](const QString& d) {
                return d.startsWith(wanted, Qt::CaseInsensitive);
            });
        const int line = int(found - descriptions.begin());
        if (found == descriptions.end() || line >= survey.PIDCount) {
            QStringList available;
            for (const QString& description : descriptions) {
                obd::Reading line;
                line.label = description;
                available << QStringLiteral("  ") + line.name();
            }
            return fail(QStringLiteral("no vehicle data line starts with '%1'; the lines are:\n%2")
                            .arg(wanted, available.join(QLatin1Char('\n'))),
                        2);
        }
        items << monitor::LogItem{survey.LinePID[line], descriptions[line]};
    }

    monitor::PollingRun run(session.link());
    const auto stopper = core::onTerminationSignals([&run] { run.stop(); });
    Progress progress;
    monitor::LogSamples samples;
    monitor::PollingRun::End end = monitor::PollingRun::End::Stopped;
    session.operations().run(QStringLiteral("Logging the vehicle data"), [&] {
        end = session.dataLogger().log(
            run, items, options.logInterval, samples,
            [&](const QList<obd::Reading>&) { progress.sampled(samples.count()); },
            options.logSamples.value_or(monitor::LogSamples::kMaxSamples));
    });
    for (const QString& message : prompter.messages)
        print(stderr, message + QStringLiteral("\n"));
    return finishLog(options.logFile, monitor::logFileText(samples, QDate::currentDate()),
                     samples.count(), end);
}

int runWbo2Log(MainWindow& window, Session& session, const Options& options) {
    if (!creatable(options.wbo2LogFile))
        return fail(QStringLiteral("cannot create the log file %1").arg(options.wbo2LogFile), 2);
    if (const QString failure = connectHeadless(window, session, options); !failure.isEmpty())
        return fail(failure, 1);
    if (!window.wbo2LogAction->isEnabled())
        return fail(QStringLiteral("the vehicle data survey found no wide-range O2 sensor at PID "
                                   "$34, so there is nothing to log"),
                    1);

    monitor::PollingRun run(session.link());
    const auto stopper = core::onTerminationSignals([&run] { run.stop(); });
    Progress progress;
    std::vector<monitor::Wbo2Sample> samples;
    monitor::PollingRun::End end = monitor::PollingRun::End::Stopped;
    session.operations().run(QStringLiteral("Logging the wide-range O2 sensor"), [&] {
        end = session.wbo2Log().log(
            run, samples, [&](const monitor::Wbo2Shown&) { progress.sampled(int(samples.size())); },
            options.logSamples.value_or(monitor::Wbo2Log::kMaxSamples));
    });
    return finishLog(options.wbo2LogFile, monitor::wbo2LogText(samples), int(samples.size()), end);
}

int runPlot(const Options& options) {
    QFile file(options.plotFile);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(options.plotFile, file.errorString()),
                    1);
    const monitor::LogReading reading = monitor::readLog(file.readAll());
    if (!reading.samples)
        return fail(QStringLiteral("%1 is not a data log: %2").arg(options.plotFile, reading.error),
                    1);
    if (reading.skipped)
        print(stderr, QStringLiteral("vamrick: %1 record cut off at the end of %2 was skipped\n")
                          .arg(reading.skipped)
                          .arg(options.plotFile));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    monitor::plotPicture(monitor::plotItems(*reading.samples), options.plotSize)
        .save(&buffer, "PNG");
    if (QString error; !monitor::writeWholeFile(options.plotPicture, png, error))
        return fail(QStringLiteral("cannot write %1: %2").arg(options.plotPicture, error), 1);
    return 0;
}

} // namespace app
