// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/device_server.h"
#include "sim/scan_tool_simulator.h"
#include "support/qt_printers.h"

#include <QFileInfo>
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
    sim::DeviceServer server(simulator);
    QString error;
    ASSERT_TRUE(server.openPty(19200, &error)) << error.toStdString();
    QSignalSpy sent(&simulator, &sim::ScanToolSimulator::transmit);
    // Unanswered requests for 255 bytes: about 100 KB that nobody reads.
    const int fd = ::open(server.device().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    const QByteArray flood = QByteArray("01FFFF").repeated(200);
    ASSERT_EQ(::write(fd, flood.constData(), flood.size()), flood.size());
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent.count() >= 200; }, 5000));
    ::close(fd);
    sent.clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent.count() >= 3; }, 3000)); // markers go on
    EXPECT_TRUE(answers(server.device(), "900101", "V4.00"));
}

// Starts vamrick-sim and returns the terminal it prints first; empty if it printed none.
QString startTool(QProcess& tool, const QStringList& arguments) {
    tool.start(VAMRICK_SIM_EXE, arguments);
    while (!tool.canReadLine() && tool.waitForReadyRead(5000)) {
    }
    return QString::fromLocal8Bit(tool.readLine()).trimmed();
}

// A restarted simulator takes the link over, so a host can keep one device path; each one
// stops cleanly on SIGTERM and removes the link only while it is still its own.
TEST(SimToolTest, LinkFollowsTheNewestSimulatorAndGoesWithIt) {
    QTemporaryDir dir;
    const QString link = dir.filePath("scan-tool");
    QProcess first;
    const QString firstPath = startTool(first, {"--link", link, "--fault", "ecu-timeout:1:0105"});
    ASSERT_TRUE(firstPath.startsWith("/dev/")) << first.readAllStandardError().toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), firstPath);
    EXPECT_TRUE(answers(link, "010507", "VS" + QByteArray(15, '0')));

    QProcess second;
    const QString secondPath = startTool(second, {"--link", link, "--paced"});
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), secondPath);
    auto stop = [](QProcess& tool) {
        tool.terminate();
        return tool.waitForFinished(5000) && tool.exitStatus() == QProcess::NormalExit &&
               tool.exitCode() == 0;
    };
    EXPECT_TRUE(stop(first));
    EXPECT_TRUE(answers(link, "900101", "V4.00"));
    EXPECT_TRUE(stop(second));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

} // namespace
