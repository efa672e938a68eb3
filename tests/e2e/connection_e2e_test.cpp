// SPDX-License-Identifier: GPL-3.0-or-later
#include "e2e_support.h"
#include "support/main_window_harness.h"
#include "support/qt_printers.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace e2e;

TEST(EndToEndTest, TheWindowReachesANewVamrickSimOnTheSamePathAfterLosingOne) {
    QTemporaryDir dir;
    const QString device = dir.filePath("ttyVAM");
    auto sim = std::make_unique<SimProcess>(QStringList{"--link", device});
    MainWindowHarness h;
    h.serialDevices = {{1, device}};
    app::MainWindow& w = *h.window;
    w.load();
    EXPECT_TRUE(w.com1Action->isEnabled()) << "the probe opens the pseudo-terminal";
    w.com1Action->trigger();
    ASSERT_EQ(w.statusBox->text(), "ECU Connected");
    EXPECT_EQ(w.firmwareCaption->text(), "F/W: V4.00");

    sim.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.statusBox->text() == "ECU Off-Line"; }, 5000));
    EXPECT_EQ(w.statusColour(), QColor(255, 0, 0));
    EXPECT_FALSE(w.currentDataButton->isEnabled());
    EXPECT_TRUE(w.connectionMenu->menuAction()->isEnabled());
    ASSERT_EQ(h.prompter.messages.size(), 1u);
    EXPECT_TRUE(h.prompter.messages[0].text.startsWith("The scan tool stopped answering on Com1 (" +
                                                       device + "): it may have been unplugged"));

    sim = std::make_unique<SimProcess>(QStringList{"--link", device});
    w.com1Action->trigger();
    EXPECT_EQ(w.statusBox->text(), "ECU Connected");
    EXPECT_TRUE(w.currentDataButton->isEnabled());
}

// A trace line: time, driver, direction, bytes.
QString traceLine(const QString& rest) {
    return QStringLiteral("^\\d+\\.\\d{3} ") + rest + QLatin1Char('$');
}

bool traceHas(const QString& path, const QString& line) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) &&
           QRegularExpression(traceLine(line), QRegularExpression::MultilineOption)
               .match(QString::fromLatin1(file.readAll()))
               .hasMatch();
}

TEST(EndToEndTest, DemoReportChecksTheWholeCarWithoutHardware) {
    QTemporaryDir dir;
    const QString trace = dir.filePath("t.txt");
    const ProgramRun run = vamrick({"--demo", "--report", "--trace", trace});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(traceHas(trace, "box > 010C07"));
    EXPECT_TRUE(traceHas(trace, "box < V486B10410C[0-9A-F]{6}"));
    EXPECT_FALSE(traceHas(trace, "box < .*[SP]")) << "no ready markers";
    EXPECT_TRUE(run.out.startsWith("== ECU Status ==\nECU Connected\nF/W: V4.00\nECU #=10\n\n"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("\n== Vehicle Data ==\nCalculated Load -------- "));
    EXPECT_TRUE(run.out.contains(
        "== Vehicle Test Status/Trouble Code Window use the scroll bar to see more data (after "
        "Request Diagnostic Trouble Codes) ==\n\nECU #=10\nMIL is ON\n"
        "Vehicle Reports  2 Stored Trouble Code(s)\nTC1 -P0300\nP0300 "));
    EXPECT_TRUE(run.out.contains("Freeze Frame T.C. -P0300"));
    EXPECT_TRUE(run.out.contains("== Vehicle Data (after Get Freeze Frame Data) ==\n"));
    EXPECT_FALSE(run.out.contains("== Messages =="));

    const ProgramRun metric = vamrick({"--demo", "--report", "--metric"});
    EXPECT_TRUE(metric.out.contains("Deg C\n"));
    EXPECT_FALSE(metric.out.contains("Deg F"));
}

TEST(EndToEndTest, TheReportOverUsbShowsWhatTheSerialOneShows) {
    const ProgramRun serial = vamrick({"--demo", "--report"});
    const ProgramRun usb = vamrick({"--demo-usb", "--report"});
    EXPECT_EQ(usb.exitCode, 0) << usb.err.toStdString();
    // The O2 sensors swing with time: only the numbers may differ.
    const QRegularExpression number(QStringLiteral("[0-9.]+"));
    EXPECT_EQ(QString(usb.out).replace(number, "#").toStdString(),
              QString(serial.out).replace(number, "#").toStdString());
}

TEST(EndToEndTest, ClearingFirstLeavesNothingToReadUnlessAskedToReadAnyway) {
    const ProgramRun cleared = vamrick({"--demo", "--report", "--clear-codes"});
    EXPECT_EQ(cleared.exitCode, 0) << cleared.err.toStdString();
    EXPECT_TRUE(cleared.out.contains(
        "(after Clear/Reset Diagnostic Trouble Codes) ==\nTrouble Codes Cleared\n"));
    EXPECT_TRUE(cleared.out.contains("== Messages ==\nThe MIL is off, read codes anyway? No\n"));
    EXPECT_TRUE(cleared.out.contains(" No Freeze Frame Data Stored"));

    const ProgramRun anyway =
        vamrick({"--demo", "--report", "--clear-codes", "--read-codes-anyway"});
    EXPECT_TRUE(anyway.out.contains(
        "Stored Trouble Code(s)\nNo Codes to ReportNo Pending Codes to Report"));
}

// What the car says it does not have is a finding; what it refuses is a failure (and what comes
// damaged, as the soak shows).
TEST(EndToEndTest, TheReportsExitStatusTellsFindingsFromFailures) {
    SimProcess noFreezeFrame({"--fault", "ecu-timeout::0200"});
    const ProgramRun finding = vamrick({"--com", "1=" + noFreezeFrame.path(), "--report"});
    EXPECT_EQ(finding.exitCode, 0) << finding.err.toStdString();
    EXPECT_TRUE(finding.out.contains("ECU Timeout, Freeze Frame not Supported"));

    QTemporaryDir dir;
    SimProcess refusing({"--profile", profileFile(dir, R"({"ecus": [{"address": "10",
                             "pids": {"0C": [11, 184]}, "clearRefused": true}]})")});
    const ProgramRun refused =
        vamrick({"--com", "1=" + refusing.path(), "--report", "--clear-codes"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err.trimmed(), "vamrick: the ECU refused to clear the trouble codes");
}

TEST(EndToEndTest, ReportsThatCannotConnectSayWhyAndFail) {
    const ProgramRun noTrace =
        vamrick({"--demo", "--report", "--trace", "/dev/vamrick-no-such-folder/t.txt"});
    EXPECT_EQ(noTrace.exitCode, 2);
    EXPECT_TRUE(noTrace.err.startsWith("vamrick: cannot write the trace to"))
        << noTrace.err.toStdString();
    EXPECT_TRUE(noTrace.out.isEmpty());

    const ProgramRun noPort = vamrick({"--com", "3=/dev/vamrick-no-such-port", "--report"});
    EXPECT_EQ(noPort.exitCode, 1);
    EXPECT_TRUE(noPort.err.contains("not connected on COM3"));
    EXPECT_TRUE(noPort.out.contains("== Messages ==\nInvalid COM PORT\n"));

    SimProcess silent({"--fault", "silence"});
    const ProgramRun quiet =
        vamrick({"--com", "1=" + silent.path(), "--report", "--reply-timeout", "700"});
    EXPECT_EQ(quiet.exitCode, 1);
    EXPECT_EQ(quiet.err.trimmed(),
              "vamrick: not connected on COM1: no answer from a scan tool on this port");
    EXPECT_LT(quiet.ms, 10000);

    SimProcess unplugged({"--fault", "disconnect:1:9001"});
    const ProgramRun gone = vamrick({"--com", "1=" + unplugged.path(), "--report"});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(gone.err.trimmed(),
              "vamrick: not connected on COM1: the scan tool stopped answering");
    EXPECT_EQ(gone.out.count("stopped answering on Com1"), 1) << gone.out.toStdString();
}

// The O2 sensor tests, then the on-board tests through the raw pass-through, whose bytes cross
// a real (paced) serial line.
TEST(EndToEndTest, ReportRunsTheTestServicesAfterTheFreezeFrame) {
    SimProcess sim({"--paced"});
    const QStringList mode6{"--report",     "--mode6-scan", "--mode6",
                            "$0B,1,0.01,V", "--mode6",      "300,1"};
    const ProgramRun run = vamrick(QStringList{"--com", "1=" + sim.path()} + mode6);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const qsizetype freezeFrame = run.out.indexOf("(after Get Freeze Frame Data)");
    const qsizetype firstO2 = run.out.indexOf("\n\n== O2 Sensor Test (Bank1, Sensor1) ==\n"
                                              "Rich to Lean Sensor Threshold Voltage\t .45 V\n"
                                              "Lean to Rich Sensor Threshold Voltage\t .4 V\n");
    EXPECT_GT(firstO2, freezeFrame) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("Rich to Lean Sensor Switch Time\t .1 S\t .04 S\t .2 S\n"
                                 "Lean to Rich Sensor Switch Time\t .088 S\t .04 S\t .2 S\n"));
    const qsizetype lastO2 = run.out.indexOf("== O2 Sensor Test (Bank2, Sensor2) ==\n"
                                             "Rich to Lean Sensor Threshold Voltage\t .46 V\n"
                                             "Lean to Rich Sensor Threshold Voltage\t .39 V\n\n");
    EXPECT_GT(lastO2, run.out.indexOf("== O2 Sensor Test (Bank2, Sensor1) =="));
    EXPECT_GT(run.out.indexOf("== Supported Tests ==\n 1\n 2\n 11\n 16\n\n"
                              "== SAE-J1979 Service $06 (Test ID $0B, Component ID 1) ==\n"
                              "Returned Message\t\nValue\t5V\nPass/Fail\tPASS\nMIN\t4V\nMAX\t\n\n"
                              "== SAE-J1979 Service $06 (Test ID 300, Component ID 1) ==\n"
                              "Error in one of the Input Fields, please correct and try again\n\n"
                              "== Messages ==\n"),
              lastO2);

    SimProcess timingOut({"--fault", "ecu-timeout:1:050001"});
    const ProgramRun o2Timeout = vamrick({"--com", "1=" + timingOut.path(), "--report"});
    EXPECT_EQ(o2Timeout.exitCode, 1);
    EXPECT_TRUE(o2Timeout.out.contains("== O2 Sensor Test (Bank1, Sensor1) ==\nECU Timeout\n\n"
                                       "== O2 Sensor Test (Bank1, Sensor2) ==\nRich to Lean"));
    EXPECT_TRUE(o2Timeout.out.endsWith("== Messages ==\nECU Timeout\n"));

    SimProcess silent({"--fault", "silence:1:F0"});
    const ProgramRun unanswered =
        vamrick({"--com", "1=" + silent.path(), "--report", "--mode6", "1,1"});
    EXPECT_EQ(unanswered.exitCode, 1);
    EXPECT_TRUE(unanswered.out.contains("Returned Message\tNo answer to the on-board test "
                                        "request.\n"));

    QTemporaryDir dir;
    SimProcess oldFirmware({"--profile", profileFile(dir, R"({"firmware": "3.00"})")});
    const ProgramRun refused = vamrick(QStringList{"--com", "1=" + oldFirmware.path()} + mode6);
    EXPECT_TRUE(refused.out.contains("== Supported Tests ==\nThe scan tool's firmware does not "
                                     "offer the Mode 6 Tests.\n\n"));
}

TEST(EndToEndTest, OnCanTheMode6ScanListsEveryMonitorsTestsWithItsVerdict) {
    SimProcess adapter({"--elm327", "--protocol", "can11", "--profile",
                        VAMRICK_SIM_PROFILES "/failing-monitor.json"});
    const ProgramRun run =
        vamrick({"--adapter", "elm327", "--com", "1=" + adapter.path(), "--report", "--mode6-scan",
                 "--mode6", "$21", "--mode6", "$07"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("== On-Board Monitoring ==\nO2 Sensor Monitor Bank 1 - Sensor "
                                 "1\t$01\t0.450 V\t0.000\t1.100\tPASS\n"));
    EXPECT_TRUE(run.out.contains("\nCatalyst Monitor Bank 1\t$80\t55 counts\t0\t40\tFAIL\n"));
    EXPECT_TRUE(run.out.contains("== On-Board Monitoring (Monitor ID $21) ==\nCatalyst Monitor "
                                 "Bank 1\t$80\t55 counts\t0\t40\tFAIL\n\n"));
    EXPECT_TRUE(run.out.contains("== On-Board Monitoring (Monitor ID $07) ==\nO2 Sensor Monitor "
                                 "Bank 2 - Sensor 3\tThe ECU does not support this monitor.\n"));
}

TEST(EndToEndTest, OnCanEveryEcusCodesAreListedUnderItsAddress) {
    SimProcess adapter(
        {"--elm327", "--protocol", "can11", "--profile", VAMRICK_SIM_PROFILES "/two-ecus.json"});
    const ProgramRun run =
        vamrick({"--adapter", "elm327", "--com", "1=" + adapter.path(), "--report"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const char* line :
         {"\nECUs that answered: E8 E9\n", "\nECU E8: TC2 -P0171\n", "\nECU E9: TC1 -P0700\n",
          "\nECU E9: Pending Code 1 -P0715--", "\nECU E9: Permanent Code 1 -P0700--"})
        EXPECT_TRUE(run.out.contains(line)) << line << run.out.toStdString();
}

// An ELM327 adapter stands in for the box: the report reads as through the box, apart from the
// firmware and ECU lines, the other ECUs' codes, which the box does not read, and on CAN, whose
// O2 sensor and on-board tests come from the monitors.
TEST(EndToEndTest, TheReportThroughAnElm327AdapterShowsWhatTheBoxShows) {
    const auto masked = [](QString report) {
        static const QRegularExpression numbers(QStringLiteral("[0-9.]+"));
        static const QRegularExpression own(QStringLiteral(
            "(F/W|ECU #|ECUs that answered)[^\n]*\n|ECU (?!E8|10)..: TC[^\n]*\n[^\n]*\n"));
        static const QRegularExpression engine(QStringLiteral("ECU (E8|10): "));
        // Among several ECUs the pending codes' empty fields leave no blank lines.
        static const QRegularExpression blank(QStringLiteral("\n+(?=A code of)"));
        return report.remove(own)
            .remove(engine)
            .replace(blank, "\n")
            .replace(numbers, "#")
            .toStdString();
    };
    SimProcess box;
    const QStringList report{"--report", "--mode6", "$0B,2,0.01,V"};
    const ProgramRun throughBox = vamrick(QStringList{"--com", "1=" + box.path()} + report);
    const QString beforeO2 = throughBox.out.left(throughBox.out.indexOf("== O2 Sensor Test"));
    const std::pair<QStringList, QString> adapters[] = {
        {{"--protocol", "iso9141"}, throughBox.out},
        {{"--protocol", "can11"}, beforeO2},
        {{"--protocol", "can29"}, beforeO2},
        {{"--protocol", "kwp", "--tcp", "0"}, throughBox.out},
    };
    QTemporaryDir dir;
    const QString trace = dir.filePath("t.txt");
    for (const auto& [arguments, expected] : adapters) {
        SimProcess adapter(QStringList{"--elm327"} + arguments);
        const ProgramRun run = vamrick(
            QStringList{"--adapter", "elm327", "--com", "1=" + adapter.path(), "--trace", trace} +
            report);
        SCOPED_TRACE(arguments.join(' ').toStdString());
        EXPECT_TRUE(traceHas(trace, "elm327 > 01([0-9A-F]{2})*0C([0-9A-F]{2})*"));
        EXPECT_TRUE(traceHas(trace, "elm327 < [0-9A-F ]*41 0C [0-9A-F ]*"));
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.startsWith("== ECU Status ==\nECU Connected\nF/W: ELM327 v1.5\n"));
        const std::string shown = masked(run.out);
        EXPECT_EQ(shown.substr(0, masked(expected).size()), masked(expected));
        const bool can = expected == beforeO2;
        // On CAN the O2 sensors' tests come from their on-board monitors.
        EXPECT_EQ(run.out.contains("== O2 Sensor Test (Bank2, Sensor1) ==\nO2 Sensor Monitor "
                                   "Bank 2 - Sensor 1\t$01\t0.450 V\t0.000\t1.100\tPASS\n"),
                  can);
        EXPECT_EQ(run.out.contains("On CAN the tests are read by monitor ID"), can);
    }

    SimProcess unplugged({"--elm327", "--fault", "unplug:6"}); // during the survey
    const ProgramRun gone =
        vamrick({"--adapter", "elm327", "--com", "1=" + unplugged.path(), "--report"});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_TRUE(gone.err.contains("the scan tool stopped answering")) << gone.err.toStdString();

    // A first search that ends without its prompt is tried again, as one that found no bus.
    SimProcess promptless({"--elm327", "--fault", "no-prompt:1:0100"});
    EXPECT_EQ(vamrick({"--adapter", "elm327", "--com", "1=" + promptless.path(), "--report",
                       "--reply-timeout", "1000"})
                  .exitCode,
              0);
}

TEST(EndToEndTest, LogsFromTheCommandLineThroughVamrickSim) {
    QTemporaryDir dir;
    SimProcess sim;
    const QString file = dir.filePath("run.log");
    const QStringList common{"--com",      "1=" + sim.path(), "--log",      file,
                             "--log-item", "engine rpm",      "--log-item", "Speed"};
    const ProgramRun run =
        vamrick(common + QStringList{"--log-samples", "5", "--log-interval", "0"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = writtenLines(file);
    ASSERT_EQ(lines.size(), 6 + 5);
    EXPECT_EQ(lines[0], "\"Sample Rate Setting=0\"");
    EXPECT_EQ(lines[3], "\"Engine RPM ------------- ,\"");
    EXPECT_EQ(lines[10].count(','), 2);

    // The log drawn as a picture of the asked size; a file that is not a log says where it fails.
    const QString picture = dir.filePath("run.png");
    const ProgramRun plotted = vamrick({"--plot", file, "--png", picture, "--size", "640x320"});
    EXPECT_EQ(plotted.exitCode, 0) << plotted.err.toStdString();
    EXPECT_EQ(QImage(picture).size(), QSize(640, 320));
    const ProgramRun foreign =
        vamrick({"--plot", VAMRICK_SIM_PROFILES "/fixed.json", "--png", picture});
    EXPECT_EQ(foreign.exitCode, 1);
    EXPECT_TRUE(foreign.err.contains("is not a data log: line 1:")) << foreign.err.toStdString();

    const ProgramRun unknown = vamrick({"--com", "1=" + sim.path(), "--log", file, "--log-item",
                                        "Speed", "--log-item", "Warp Drive"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains("no vehicle data line starts with 'Warp Drive'"));
    EXPECT_TRUE(unknown.err.contains("\n  Coolant Temp\n"));

    const ProgramRun nowhere = vamrick({"--demo", "--log", dir.filePath("no/such/folder/x.log"),
                                        "--log-item", "Speed", "--log-item", "Engine"});
    EXPECT_EQ(nowhere.exitCode, 2);
    EXPECT_TRUE(nowhere.err.startsWith("vamrick: cannot create the log file"));

    SimProcess unplugged({"--fault", "disconnect:1:010D:3"});
    const ProgramRun lost = vamrick({"--com", "1=" + unplugged.path(), "--log", file, "--log-item",
                                     "engine rpm", "--log-item", "Speed", "--log-interval", "0"});
    EXPECT_EQ(lost.exitCode, 1);
    EXPECT_TRUE(lost.err.contains("the scan tool was lost after 2 samples; they are in " + file))
        << lost.err.toStdString();
    EXPECT_EQ(writtenLines(file).size(), 6 + 2);
}

// On CAN the adapter asks the six items in one request; the log holds what the box logs one PID
// a request, all but the times.
TEST(EndToEndTest, ALogThroughAnAdapterOnCanHoldsWhatTheBoxLogs) {
    QTemporaryDir dir;
    const QString fixed = QStringLiteral(VAMRICK_SIM_PROFILES "/fixed.json");
    const QString trace = dir.filePath("t.txt");
    QStringList log{"--log-samples", "4", "--log-interval", "0"};
    for (const char* item :
         {"engine rpm", "speed", "coolant", "calculated", "throttle", "fuel level"})
        log << "--log-item" << item;
    const auto logged = [&](const QStringList& arguments, const QString& name) {
        const ProgramRun run = vamrick(arguments + QStringList{"--log", dir.filePath(name)} + log);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        QStringList lines = writtenLines(dir.filePath(name));
        static const QRegularExpression times(
            QStringLiteral("^\"(Start Time|Date of Log):.*|,[^,]*$"));
        lines.replaceInStrings(times, QString());
        return lines;
    };
    SimProcess box({"--profile", fixed});
    const QStringList throughBox = logged({"--com", "1=" + box.path()}, "box.log");
    SimProcess adapter({"--elm327", "--protocol", "can11", "--profile", fixed});
    EXPECT_EQ(logged({"--adapter", "elm327", "--com", "1=" + adapter.path(), "--trace", trace},
                     "can.log"),
              throughBox);
    EXPECT_EQ(throughBox.size(), 3 + 6 + 1 + 4);
    EXPECT_TRUE(traceHas(trace, "elm327 > 01([0-9A-F]{2}){6}"));
}

// A full file system, mounted where the log goes in a mount namespace of its own.
TEST(EndToEndTest, ALogOnAFullDiskKeepsTheOldFileAndGoesToTheTemporaryFolder) {
    if (QProcess::execute(QStringLiteral("unshare"), {"-rm", "true"}) != 0)
        GTEST_SKIP() << "no mount namespace here to hold a full file system";
    QTemporaryDir dir;
    SimProcess sim;
    const QString full = dir.filePath("full"), spare = dir.filePath("spare");
    ASSERT_TRUE(QDir().mkpath(full) && QDir().mkpath(spare));
    QProcess run;
    run.setProcessEnvironment([&] {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", spare);
        return environment;
    }());
    run.start("unshare", {"-rm", "sh", "-c",
                          R"(mount -t tmpfs -o size=4k tmpfs "$1" && printf old > "$1/run.log" &&
                             "$2" --com 1="$3" --log "$1/run.log" --log-item "engine rpm" --log-item speed \
                                  --log-samples 20 --log-interval 0
                             status=$?; cp "$1/run.log" "$TMPDIR/old.log"; exit $status)",
                          "sh", full, VAMRICK_EXE, sim.path()});
    ASSERT_TRUE(run.waitForFinished(30000));
    const QString err = QString::fromLocal8Bit(run.readAllStandardError());
    EXPECT_EQ(run.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("run.log could not be written (")) << err.toStdString();
    EXPECT_EQ(writtenLines(QDir(spare).filePath("old.log")), QStringList{"old"});
    const QStringList fallback = QDir(spare).entryList({"vamrick-log-*.log"});
    ASSERT_EQ(fallback.size(), 1);
    EXPECT_TRUE(err.contains("the 20 samples are in " + QDir(spare).filePath(fallback[0])));
    EXPECT_EQ(writtenLines(QDir(spare).filePath(fallback[0])).size(), 6 + 20);
}

TEST(EndToEndTest, LogsTheWideRangeO2SensorFromTheCommandLineThroughVamrickSim) {
    QTemporaryDir dir;
    SimProcess sim;
    const QString file = dir.filePath("wbo2.log");
    const ProgramRun run =
        vamrick({"--com", "1=" + sim.path(), "--wbo2-log", file, "--log-samples", "4"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = writtenLines(file);
    ASSERT_EQ(lines.size(), 2 + 4);
    EXPECT_EQ(lines[0], "WBO2 Current mA");
    EXPECT_EQ(lines[1], "WBO2 Lambda Reading");
    const QStringList fields = lines[2].split(',');
    ASSERT_EQ(fields.size(), 3);
    EXPECT_EQ(fields[0], fields[2]);
    EXPECT_NEAR(fields[1].toDouble(), fields[0].toDouble() * 14.731, 0.3) << "a ratio near 14.7";

    SimProcess without({"--profile", profileFile(dir, R"({"ecus": [{"address": "10",
                                      "pids": {"0C": [11, 184], "24": [128, 0]}}]})")});
    const ProgramRun refused =
        vamrick({"--com", "1=" + without.path(), "--wbo2-log", dir.filePath("none.log")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err.count('\n'), 1) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains("no wide-range O2 sensor at PID $34"));
    EXPECT_FALSE(QFile::exists(dir.filePath("none.log")));
}

} // namespace
