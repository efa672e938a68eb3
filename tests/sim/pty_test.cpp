#include "sim/pty_server.h"
#include "sim/scan_tool_simulator.h"
#include "support/qt_printers.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Opens the device the way a serial port is opened and writes the command; true once
// `expected` has come back (the event loop runs meanwhile), false after three seconds.
bool answers(const QString& device, const QByteArray& command, const QByteArray& expected) {
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    QByteArray received;
    const bool ok = ::write(fd, command.constData(), command.size()) == command.size() &&
                    QTest::qWaitFor(
                        [&] {
                            char chunk[4096];
                            for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;)
                                received.append(chunk, n);
                            return received.contains(expected);
                        },
                        3000);
    ::close(fd);
    return ok;
}

TEST(SimPtyTest, KeepsServingWhenTheHostStopsReadingOrClosesThePort) {
    sim::ScanToolSimulator simulator;
    sim::PtyServer server(simulator);
    QString error;
    ASSERT_TRUE(server.open(&error)) << error.toStdString();
    QSignalSpy sent(&simulator, &sim::ScanToolSimulator::transmit);
    {
        // Unanswered requests for 255 bytes: about 100 KB that nobody reads.
        const int fd = ::open(server.devicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        const QByteArray flood = QByteArray("01FFFF").repeated(200);
        ASSERT_EQ(::write(fd, flood.constData(), flood.size()), flood.size());
        ASSERT_TRUE(QTest::qWaitFor([&] { return sent.count() >= 200; }, 5000));
        ::close(fd);
    }
    sent.clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent.count() >= 3; }, 3000)); // markers go on
    EXPECT_TRUE(answers(server.devicePath(), "900101", "V4.00"));
}

// Starts vamrick-sim and returns the terminal it prints first; empty if it printed none.
QString startTool(QProcess& tool, const QStringList& arguments) {
    tool.start(VAMRICK_SIM_EXE, arguments);
    while (!tool.canReadLine() && tool.waitForReadyRead(5000)) {
    }
    return QString::fromLocal8Bit(tool.readLine()).trimmed();
}

TEST(SimToolTest, ServesTheTerminalAndStopsCleanlyOnSigterm) {
    QProcess tool;
    const QString path = startTool(tool, {"--paced", "--fault", "ecu-timeout:1:0105"});
    ASSERT_TRUE(path.startsWith("/dev/")) << tool.readAllStandardError().toStdString();
    EXPECT_TRUE(answers(path, "010507", "VS" + QByteArray(15, '0')));
    tool.terminate();
    ASSERT_TRUE(tool.waitForFinished(5000));
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), 0);
}

TEST(SimToolTest, RefusesBadArgumentsWithOneLineNamingTheProblem) {
    QTemporaryDir dir;
    QFile bad(dir.filePath("bad.json"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(R"({"ecus": [{"address": "10", "storedCodes": ["P0300"]}]})");
    bad.close();
    const std::pair<QStringList, const char*> cases[] = {
        {{"--profile", dir.filePath("missing.json")}, "missing.json: "},
        {{"--profile", bad.fileName()}, "bad.json: ecus[0].storedCodes[0]: "},
        {{"--fault", "teleport"}, "teleport"},
        {{"--marker-period", "0"}, "--marker-period"},
        {{"--latency", "soon"}, "--latency"},
    };
    for (const auto& [arguments, expected] : cases) {
        QProcess tool;
        tool.start(VAMRICK_SIM_EXE, arguments);
        ASSERT_TRUE(tool.waitForFinished(5000));
        EXPECT_EQ(tool.exitCode(), 1) << arguments.join(' ').toStdString();
        EXPECT_TRUE(tool.readAllStandardOutput().isEmpty());
        const QByteArray reason = tool.readAllStandardError();
        EXPECT_TRUE(reason.startsWith("vamrick-sim: ") && reason.contains(expected))
            << reason.toStdString();
        EXPECT_EQ(reason.count('\n'), 1) << reason.toStdString();
    }
}

} // namespace
