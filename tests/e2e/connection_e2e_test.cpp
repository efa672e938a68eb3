#include "support/main_window_harness.h"
#include "support/qt_printers.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// vamrick-sim on a pseudo-terminal, for as long as the object lives.
class SimProcess {
public:
    explicit SimProcess(const QStringList& arguments = {}) {
        process_.start(QStringLiteral(VAMRICK_SIM_EXE), arguments);
        if (process_.waitForStarted(5000) && process_.waitForReadyRead(5000))
            path_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~SimProcess() {
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
    }
    QString path() const { return path_; }

private:
    QProcess process_;
    QString path_;
};

struct ProgramRun {
    int exitCode;
    QString out;
    QString err;
    qint64 ms;
};

ProgramRun vamrick(const QStringList& arguments) {
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(VAMRICK_EXE), arguments);
    const bool finished = process.waitForFinished(30000);
    EXPECT_TRUE(finished) << "vamrick did not end";
    if (!finished)
        process.kill();
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError()), timer.elapsed()};
}

TEST(EndToEndTest, TheWindowConnectsThroughTheSerialCodeToVamrickSim) {
    SimProcess sim;
    ASSERT_TRUE(sim.path().startsWith("/dev/")) << sim.path().toStdString();
    MainWindowHarness h;
    h.serialDevices = {{1, sim.path()}};
    h.window->Form_Load();
    EXPECT_TRUE(h.window->mnuConnectionCom1->isEnabled()) << "the probe opens the pseudo-terminal";
    h.window->mnuConnectionCom1->trigger();
    EXPECT_EQ(h.window->Text1->text(), "ECU Connected");
    EXPECT_EQ(h.window->Label7->text(), "F/W: V4.00");
    EXPECT_TRUE(h.prompter.messages.empty());
}

TEST(EndToEndTest, DemoReportShowsTheSurveyWithoutHardware) {
    const ProgramRun run = vamrick({"--demo", "--report"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("== ECU Status ==\nECU Connected\nF/W: V4.00\nECU #=10\n"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("\nMIL is ON Stored Trouble Codes Present\n"));
    EXPECT_TRUE(run.out.contains("\n== Vehicle Data ==\nCalculated Load -------- "));
    EXPECT_TRUE(run.out.contains("Deg F\n"));

    const ProgramRun metric = vamrick({"--demo", "--report", "--metric"});
    EXPECT_TRUE(metric.out.contains("Deg C\n")) << metric.out.toStdString();
    EXPECT_FALSE(metric.out.contains("Deg F"));
}

TEST(EndToEndTest, ReportGivesUpOnASilentScanToolWithinTheTimeout) {
    SimProcess sim({"--fault", "silence"});
    const ProgramRun run =
        vamrick({"--com", "1=" + sim.path(), "--report", "--reply-timeout", "700"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.trimmed(),
              "vamrick: not connected on COM1: no answer from a scan tool on this port")
        << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("== ECU Status ==\nECU Off-Line\n")) << run.out.toStdString();
    EXPECT_LT(run.ms, 10000);
}

TEST(EndToEndTest, ReportOnAPortThatDoesNotOpen) {
    const ProgramRun run = vamrick({"--com", "3=/dev/vamrick-no-such-port", "--report"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("not connected on COM3")) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("== Messages ==\nInvalid COM PORT\n")) << run.out.toStdString();
}

TEST(EndToEndTest, AScanToolUnpluggedDuringTheFirmwareQueryEndsTheReport) {
    SimProcess sim({"--fault", "disconnect:1:9001"});
    const ProgramRun run = vamrick({"--com", "1=" + sim.path(), "--report"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("unplugged")) << run.err.toStdString();
    EXPECT_EQ(run.out.count("lost"), 1) << run.out.toStdString();
    EXPECT_LT(run.ms, 10000);
}

TEST(FullReportTest, TheDemoCarsCodesAndFreezeFrame) {
    const ProgramRun run = vamrick({"--demo", "--report"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(
        "== Vehicle Test Status/Trouble Code Window use the scroll bar to see more data (after "
        "Request Diagnostic Trouble Codes) ==\n\nECU #=10\nMIL is ON\n"
        "Vehicle Reports  2 Stored Trouble Code(s)\nTC1 -P0300\nP0300 "))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("Freeze Frame T.C. -P0300"));
    EXPECT_TRUE(run.out.contains("== Vehicle Data (after Get Freeze Frame Data) ==\n"));
    EXPECT_FALSE(run.out.contains("== Messages =="));
}

TEST(FullReportTest, ClearingFirstLeavesNothingToReadUnlessAskedToReadAnyway) {
    const ProgramRun cleared = vamrick({"--demo", "--report", "--clear-codes"});
    EXPECT_EQ(cleared.exitCode, 0) << cleared.err.toStdString();
    EXPECT_TRUE(cleared.out.contains(
        "(after Clear/Reset Diagnostic Trouble Codes) ==\nTrouble Codes Cleared\n"));
    EXPECT_TRUE(cleared.out.contains(
        "MIL is OFF\nVehicle Reports  0 Stored Trouble Code(s)\nNo Pending Codes to Report"));
    EXPECT_TRUE(cleared.out.contains("== Messages ==\nThe MIL is off, read codes anyway? No\n"));
    EXPECT_TRUE(cleared.out.contains(" No Freeze Frame Data Stored"));

    const ProgramRun anyway =
        vamrick({"--demo", "--report", "--clear-codes", "--read-codes-anyway"});
    EXPECT_TRUE(
        anyway.out.contains("Stored Trouble Code(s)\nNo Codes to ReportNo Pending Codes to Report"))
        << anyway.out.toStdString();
    EXPECT_TRUE(anyway.out.contains("read codes anyway? Yes"));
}

TEST(FullReportTest, ACarWithTheMilOnAndThreeCodesThroughVamrickSim) {
    QTemporaryDir dir;
    QFile profile(dir.filePath("three.json"));
    ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
    profile.write(R"({"ecus": [{"address": "10", "pids": {"01": [0, 7, 229, 5], "05": [130]},
                   "storedCodes": ["0301", "C123", "0420"], "pendingCodes": ["0171"]}]})");
    profile.close();
    SimProcess sim({"--profile", profile.fileName()});
    const ProgramRun run = vamrick({"--com", "1=" + sim.path(), "--report"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("MIL is ON Stored Trouble Codes Present\n"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("\nCoolant Temp -----------   194Deg F\n"))
        << "surveyed over the real serial code";
    EXPECT_TRUE(run.out.contains("Vehicle Reports  3 Stored Trouble Code(s)\nTC1 -P0301\n"));
    EXPECT_TRUE(run.out.contains("TC2 -U0123\n"));
    EXPECT_TRUE(run.out.contains("TC3 -P0420\n"));
    EXPECT_TRUE(run.out.contains("Pending Code 1 -P0171--P0171 "));
}

TEST(FullReportTest, AnUnansweredRequestFailsTheCheck) {
    SimProcess sim({"--fault", "ecu-timeout::03"});
    const ProgramRun run = vamrick({"--com", "1=" + sim.path(), "--report"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains("No answer to the stored trouble code request."));
    EXPECT_EQ(run.err.trimmed(), "vamrick: incomplete check: 1 request(s) were not answered")
        << run.err.toStdString();
}

} // namespace
