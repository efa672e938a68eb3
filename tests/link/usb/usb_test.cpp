// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/box/box_exchange.h"
#include "link/scan_tool_link.h"
#include "link/usb/usb_port.h"
#include "support/recording_link_view.h"
#include "support/scripted_prompter.h"

#include <QTest>

#include <gtest/gtest.h>

#include <mutex>

namespace {

using scan::usb::SetupPacket;

std::vector<std::array<quint8, 8>> wire(const std::vector<SetupPacket>& packets) {
    std::vector<std::array<quint8, 8>> bytes;
    for (const SetupPacket& p : packets)
        bytes.push_back(p.bytes());
    return bytes;
}

TEST(UsbPacketsTest, CommandsTravelInTheSetupPacketsByteForByte) {
    using Bytes = std::vector<std::array<quint8, 8>>;
    EXPECT_EQ(wire(*scan::usb::commandPackets("010009")),
              (Bytes{{0xC0, 12, '0', '1', '0', '0', 1, 0},
                     {0xC0, 13, '0', '9', '0', '0', 1, 0},
                     {0xC0, 15, '0', '1', '0', 0, 1, 0}}));
    const QByteArray frame("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E", 14);
    EXPECT_EQ(wire(*scan::usb::passThroughPackets(frame)),
              (Bytes{{0xC0, 12, 1, 2, 3, 4, 1, 0},
                     {0xC0, 13, 5, 6, 7, 7, 1, 0},
                     {0xC0, 14, 8, 9, 10, 11, 1, 0},
                     {0xC0, 15, 12, 13, 14, 1, 1, 0}}));
    EXPECT_EQ(scan::usb::requestPacket(scan::usb::kReadBuffer).bytes(),
              (std::array<quint8, 8>{0xC0, 10, 0, 0, 0, 0, 32, 0}));
    EXPECT_FALSE(scan::usb::commandPackets("01000"));
    EXPECT_FALSE(scan::usb::passThroughPackets(frame.left(13)));
}

// A USB scan tool that hands out a reply once a command has come, and keeps every request.
struct ScriptedUsbTool : scan::usb::Backend {
    bool start(const scan::usb::Identity&, Notices given, QString&) override {
        notices = std::move(given);
        return true;
    }
    void release(quintptr) override {}
    void stop() override {}
    scan::usb::Transfer controlIn(quintptr, const SetupPacket& setup,
                                  std::chrono::milliseconds) override {
        const std::lock_guard lock(mutex);
        requests.push_back(setup.request);
        if (setup.request == 15)
            waiting = reply;
        if (setup.request == 11)
            return {0, {}, QByteArray(1, char(waiting.size()))};
        if (setup.request == 10) {
            reads.push_back(int(std::min<qsizetype>(waiting.size(), setup.length)));
            const QByteArray chunk = waiting.left(setup.length);
            waiting.remove(0, chunk.size());
            return {0, {}, chunk};
        }
        return {0, {}, QByteArray(1, 1)};
    }

    Notices notices;
    std::mutex mutex;
    QByteArray reply, waiting;
    std::vector<int> requests, reads;
};

struct UsbLinkTest : ::testing::Test {
    UsbLinkTest() {
        QString error;
        port.USB_init(view, error);
        tool->notices.attached({0xBEEF, scan::usb::kDefaultIdentity});
        link.setTransport(port.open(std::chrono::milliseconds(400), error));
    }
    ScriptedUsbTool* tool = new ScriptedUsbTool;
    scan::usb::UsbPort port{[this] { return std::unique_ptr<scan::usb::Backend>(tool); },
                            scan::usb::kDefaultIdentity};
    scan::LinkState state;
    RecordingLinkView view;
    ScriptedPrompter prompter;
    scan::ScanToolLink link{
        state, view, prompter, {std::chrono::milliseconds(400), core::monotonicTicks, {}}};
    scan::box::BoxExchange box{link, view};
};

TEST_F(UsbLinkTest, AFortyCharacterReplyComesInTwoReadsAndWhole) {
    tool->reply = QByteArray(40, 'A');
    EXPECT_EQ(box.awaitVehicle(), std::nullopt);
    box.sendCommand("010009");
    link.wait([this] { return box.OBDinbuffercount() >= 40; }, link.replyDeadline());
    EXPECT_EQ(box.collectReply(), QString(40, 'A'));
    const std::lock_guard lock(tool->mutex);
    EXPECT_EQ(tool->reads, (std::vector<int>{32, 8}));
    EXPECT_EQ(tool->requests.front(), 9); // the ready poll comes first
}

TEST_F(UsbLinkTest, AShortCommandFailsTheWrite) {
    box.sendCommand("0100");
    EXPECT_TRUE(
        prompter.messageTexts().join("\n").contains("Communication Error Writing Scan Tool Data"));
}

TEST_F(UsbLinkTest, ASecondScanToolIsRejectedAndTheFirstKept) {
    EXPECT_EQ(view.statusText, "DeviceAttach: Received and accepted attach for \r\nvendor ID "
                               "&H16C0 product ID &H5DC\r\ndevice handle &HBEEF");
    EXPECT_FALSE(tool->notices.attached({0xCAFE, scan::usb::kDefaultIdentity}));
    EXPECT_EQ(view.statusText, "DeviceAttach: Received another attach - control is rejected\r\n"
                               "because only one device control is supported");
    EXPECT_TRUE(port.USBAttached());
    EXPECT_EQ(port.current()->handle(), 0xBEEFu);
}

} // namespace
