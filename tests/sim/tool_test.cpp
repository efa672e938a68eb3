#include "support/qt_printers.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

TEST(SimToolTest, PrintsTheTerminalServesItAndStopsCleanlyOnSigterm) {
    QProcess tool;
    tool.start(VAMRICK_SIM_EXE,
               {"--paced", "--marker-period", "2", "--fault", "ecu-timeout:1:0105"});
    while (!tool.canReadLine() && tool.waitForReadyRead(5000)) {
    }
    ASSERT_TRUE(tool.canReadLine()) << tool.readAllStandardError().toStdString();
    const QString path = QString::fromLocal8Bit(tool.readLine()).trimmed();
    ASSERT_TRUE(path.startsWith("/dev/")) << path.toStdString();

    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    char marker = 0;
    EXPECT_EQ(::read(fd, &marker, 1), 1); // blocks until the first marker, 2 ms away
    EXPECT_TRUE(marker == 'S');
    ::close(fd);

    tool.terminate();
    ASSERT_TRUE(tool.waitForFinished(5000));
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), 0);
}

TEST(SimToolTest, RefusesBadArgumentsWithOneLine) {
    QTemporaryDir dir;
    const QStringList cases[] = {
        {"--profile", dir.filePath("missing.json")},
        {"--fault", "teleport"},
        {"--marker-period", "0"},
        {"--latency", "soon"},
    };
    for (const QStringList& arguments : cases) {
        QProcess tool;
        tool.start(VAMRICK_SIM_EXE, arguments);
        ASSERT_TRUE(tool.waitForFinished(5000));
        EXPECT_EQ(tool.exitCode(), 1) << arguments.join(' ').toStdString();
        EXPECT_TRUE(tool.readAllStandardOutput().isEmpty());
        const QByteArray reason = tool.readAllStandardError();
        EXPECT_TRUE(reason.startsWith("vamrick-sim: ")) << reason.toStdString();
        EXPECT_EQ(reason.count('\n'), 1) << reason.toStdString();
    }
}

} // namespace
