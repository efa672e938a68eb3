#include "support/qt_printers.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return {};
    return file.fileName();
}

// Reads the terminal until `done` holds for what came, for at most three seconds.
template <typename Done> QByteArray readUntil(int fd, QByteArray received, Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done(received) && clock.elapsed() < 3000) {
        pollfd p{fd, POLLIN, 0};
        char chunk[256];
        if (::poll(&p, 1, 100) > 0) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n > 0)
                received.append(chunk, n);
        }
    }
    return received;
}

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
        {"--profile",
         writeFile(dir, "bad.json", R"({"ecus": [{"address": "10", "storedCodes": ["P0300"]}]})")},
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
