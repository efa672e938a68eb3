// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/com_ports.h"
#include "link/in_process_transport.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(PortMapTest, ACommandLineOverrideNamesTheDeviceOfAPort) {
    scan::PortMap map;
    map.setDevice(3, "/dev/ttyACM0");
    EXPECT_EQ(map.device(3), "/dev/ttyACM0");

    const auto parsed = scan::PortMap::parseOverride("7=/dev/pts/4");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->first, 7);
    EXPECT_EQ(parsed->second, "/dev/pts/4");
    for (const char* bad : {"0=/dev/x", "10=/dev/x", "x=/dev/x", "3=", "/dev/x", ""})
        EXPECT_FALSE(scan::PortMap::parseOverride(bad)) << bad;
}

// Ports that exist are in `present`; every transport made is counted.
struct FakePorts {
    std::set<int> present;
    int made = 0;
    scan::ComPorts::Factory factory() {
        return [this](int port) -> std::unique_ptr<scan::Transport> {
            ++made;
            auto t = std::make_unique<scan::InProcessTransport>();
            if (!present.count(port))
                t->setOpenFailure(QStringLiteral("no such port"));
            return t;
        };
    }
};

TEST(ComPortsTest, AnOpenPortIsKeptAndReusedForTheSameNumber) {
    FakePorts fake{{1, 3}};
    scan::ComPorts ports(fake.factory());
    QString error;
    scan::Transport* first = ports.open(1, error);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isOpen());
    EXPECT_EQ(ports.open(1, error), first);
    EXPECT_EQ(fake.made, 1);

    EXPECT_EQ(ports.open(2, error), nullptr);
    EXPECT_EQ(error, "no such port");
    EXPECT_EQ(ports.current(), nullptr) << "a failed open leaves no port open";
    EXPECT_NE(ports.open(3, error), nullptr);
    EXPECT_EQ(ports.currentPort(), 3);
}

} // namespace
