#include "support/main_window_harness.h"
#include "support/qt_printers.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>

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

TEST(EndToEndTest, ReportPrintsTheConnectedWindow) {
    SimProcess sim;
    const ProgramRun run = vamrick({"--com", "1=" + sim.path(), "--report"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("== ECU Status ==\nECU Connected\nF/W: V4.00\n"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("== Vehicle Test Status/Trouble Code Window"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("\nEngine RPM ------------- "))
        << "the survey ran over the real serial code";
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

TEST(EndToEndTest, ReportWithoutAPortSaysWhatItNeeds) {
    const ProgramRun run = vamrick({"--report"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("--com N=DEVICE")) << run.err.toStdString();
}

TEST(EndToEndTest, AScanToolUnpluggedDuringTheFirmwareQueryEndsTheReport) {
    SimProcess sim({"--fault", "disconnect:1:9001"});
    const ProgramRun run = vamrick({"--com", "1=" + sim.path(), "--report"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("unplugged")) << run.err.toStdString();
    EXPECT_EQ(run.out.count("lost"), 1) << run.out.toStdString();
    EXPECT_LT(run.ms, 10000);
}

} // namespace
