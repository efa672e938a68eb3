// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/serial_transport.h"
#include "support/qt_printers.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The far end of a pseudo-terminal plays the scan tool.
class PseudoTerminal {
public:
    PseudoTerminal() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0)
            path_ = QString::fromLocal8Bit(ptsname(master_));
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PseudoTerminal() { closeMaster(); }
    QString path() const { return path_; }
    void send(const QByteArray& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), bytes.size());
    }
    QByteArray receive() {
        QByteArray all;
        char buf[256];
        ssize_t n;
        while ((n = ::read(master_, buf, sizeof buf)) > 0)
            all.append(buf, n);
        return all;
    }
    void closeMaster() {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    QString path_;
};

TEST(SerialTransportTest, ExchangesBytesWithTheDeviceAt19200Baud) {
    PseudoTerminal pty;
    ASSERT_FALSE(pty.path().isEmpty());
    scan::SerialTransport serial(pty.path());
    QString error;
    ASSERT_TRUE(serial.open(error)) << error.toStdString();
    EXPECT_EQ(serial.readAll(), QByteArray());

    ASSERT_TRUE(serial.write("010C07"));
    QByteArray atDevice;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (atDevice += pty.receive()).size() >= 6; }, 3000));
    EXPECT_EQ(atDevice, "010C07") << "the line must be raw: no echo, no translation";

    pty.send(QByteArray("V486B10410C1AF8\r\x00\xff", 18));
    ASSERT_TRUE(QTest::qWaitFor([&] { return serial.bytesAvailable() >= 18; }, 3000));
    EXPECT_EQ(serial.readAll(), QByteArray("V486B10410C1AF8\r\x00\xff", 18));
}

TEST(SerialTransportTest, AMissingDeviceFailsToOpenWithAReason) {
    scan::SerialTransport serial("/dev/vamrick-no-such-port");
    QString error;
    EXPECT_FALSE(serial.open(error));
    EXPECT_TRUE(error.contains("/dev/vamrick-no-such-port"));
    EXPECT_FALSE(serial.isOpen());
    EXPECT_FALSE(serial.write("010009"));
    EXPECT_FALSE(serial.readAll().has_value());
}

TEST(SerialTransportTest, TheDeviceVanishingIsReportedOnce) {
    PseudoTerminal pty;
    scan::SerialTransport serial(pty.path());
    QString error;
    ASSERT_TRUE(serial.open(error));
    QSignalSpy lost(&serial, &scan::Transport::lost);
    pty.closeMaster();
    ASSERT_TRUE(lost.wait(3000));
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(lost.size(), 1);
    EXPECT_FALSE(serial.isOpen());
}

} // namespace
