#include "sim/pty_server.h"
#include "sim/scan_tool_simulator.h"
#include "support/qt_printers.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The host's end, opened the way a serial port is: plain POSIX calls on the device path.
struct HostPort {
    explicit HostPort(const QString& path)
        : fd(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~HostPort() {
        if (fd >= 0)
            ::close(fd);
    }

    void read() {
        char chunk[4096];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n > 0) {
                received.append(chunk, n);
                continue;
            }
            hungUp = hungUp || n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
            return;
        }
    }
    bool write(const QByteArray& bytes) {
        return ::write(fd, bytes.constData(), bytes.size()) == bytes.size();
    }
    // Runs the event loop (the simulator lives in it) until the condition holds.
    template <typename Condition> bool waitFor(Condition condition, int ms = 3000) {
        return QTest::qWaitFor(
            [&] {
                read();
                return condition();
            },
            ms);
    }
    // What came after the last marker before `command` was written, up to the reply's length.
    QByteArray exchange(const QByteArray& command, qsizetype replyLength) {
        waitFor([&] { return received.contains('S'); });
        received.clear();
        write(command);
        qsizetype at = -1;
        waitFor([&] {
            at = received.indexOf('V');
            return at >= 0 && received.size() - at >= replyLength;
        });
        return at < 0 ? QByteArray() : received.mid(at, replyLength);
    }

    int fd;
    QByteArray received;
    bool hungUp = false;
};

class SimPtyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.open(&error)) << error.toStdString(); }

    sim::ScanToolSimulator simulator;
    sim::PtyServer server{simulator};
    QString error;
};

TEST_F(SimPtyTest, AnswersACommandOnTheTerminal) {
    EXPECT_TRUE(server.devicePath().startsWith("/dev/")) << server.devicePath().toStdString();
    HostPort host(server.devicePath());
    ASSERT_GE(host.fd, 0);
    const QByteArray reply = host.exchange("010C07", 17);
    EXPECT_TRUE(reply.startsWith("V486B10410C")) << reply.toStdString();
    EXPECT_EQ(reply.size(), 17);
}

TEST_F(SimPtyTest, HostMayCloseAndReopenThePort) {
    {
        HostPort first(server.devicePath());
        EXPECT_EQ(first.exchange("900101", 5), "V4.00");
    }
    // Markers keep coming while nobody has the port open.
    QSignalSpy markers(&simulator, &sim::ScanToolSimulator::transmit);
    ASSERT_TRUE(QTest::qWaitFor([&] { return markers.count() >= 3; }, 3000));
    HostPort second(server.devicePath());
    EXPECT_EQ(second.exchange("900101", 5), "V4.00");
    EXPECT_FALSE(second.hungUp);
}

TEST_F(SimPtyTest, KeepsServingWhenTheHostStopsReading) {
    HostPort host(server.devicePath());
    // Unanswered requests for 255 bytes: about 100 KB that nobody reads.
    QByteArray flood;
    for (int i = 0; i < 200; ++i)
        flood += "01FFFF";
    QSignalSpy replies(&simulator, &sim::ScanToolSimulator::transmit);
    ASSERT_TRUE(host.write(flood));
    ASSERT_TRUE(QTest::qWaitFor([&] { return replies.count() >= 200; }, 5000));
    host.read();
    EXPECT_EQ(host.exchange("900101", 5), "V4.00");
}

TEST_F(SimPtyTest, DisconnectFaultMakesTheDeviceVanish) {
    QSignalSpy closed(&server, &sim::PtyServer::closed);
    simulator.injectFault(sim::Fault::Disconnect, 1, "0120");
    HostPort host(server.devicePath());
    EXPECT_EQ(host.exchange("900101", 5), "V4.00");
    host.write("012009");
    EXPECT_TRUE(host.waitFor([&] { return host.hungUp; }));
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(server.isOpen());
}

} // namespace
