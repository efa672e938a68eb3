#include "link/in_process_transport.h"
#include "link/scan_tool_link.h"
#include "support/qt_printers.h"
#include "support/recording_link_view.h"
#include "support/scripted_prompter.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <deque>

using scan::LinkColour;

namespace {

TEST(ConvHexTest, ConvertsPairsTheWayTheRepliesNeed) {
    const std::pair<const char*, int> cases[] = {
        {"7F", 127}, {"00", 0},   {"FF", 255}, {"0A", 10},   {"ff", 128}, {" 5", 5},
        {"5", 80},   {"G0", 128}, {"!!", 0},   {"1AF8", 26}, {"S0", 128}, {"\x01\x02", 0},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(scan::conv_hex(QString::fromLatin1(text)), value) << text;

    QString empty;
    EXPECT_EQ(scan::conv_hex(empty), 0);
    EXPECT_EQ(empty, "00");
}

// A link whose clock moves 100 ms on every wait step and whose scan tool delivers one scripted
// chunk per step.
class LinkTest : public ::testing::Test {
protected:
    LinkTest() {
        QString error;
        transport.open(error);
        transport.toDevice = [this](const QByteArray& bytes) { written += bytes; };
        link.setTransport(&transport);
    }
    void pump() {
        clock += 100;
        ++steps;
        if (!arrivals.empty()) {
            transport.receive(arrivals.front());
            arrivals.pop_front();
        }
    }

    scan::LinkState state;
    RecordingLinkView view;
    ScriptedPrompter prompter;
    scan::InProcessTransport transport;
    qint64 clock = 0;
    int steps = 0;
    std::deque<QByteArray> arrivals;
    QByteArray written;
    scan::ScanToolLink link{
        state,
        view,
        prompter,
        {std::chrono::milliseconds(5000), [this] { return clock; }, [this] { pump(); }}};
};

TEST_F(LinkTest, ReadyMarkerSTurnsTheBoxGreen) {
    arrivals = {"", "xx", "S"};
    link.OBDwait();
    EXPECT_FALSE(state.NoVehicleLink);
    EXPECT_EQ(view.colour, LinkColour::Green);
    EXPECT_EQ(link.lastReady(), scan::ScanToolLink::Ready::Vehicle);
}

TEST_F(LinkTest, SWinsOverPInOneChunkWhateverTheOrder) {
    arrivals = {"PS"};
    link.OBDwait();
    EXPECT_FALSE(state.NoVehicleLink);
    arrivals = {"SP"};
    link.OBDwait();
    EXPECT_FALSE(state.NoVehicleLink);
    EXPECT_EQ(view.colour, LinkColour::Green);
}

TEST_F(LinkTest, MarkerPMeansScanToolWithoutVehicle) {
    arrivals = {"P"};
    link.OBDwait();
    EXPECT_TRUE(state.NoVehicleLink);
    EXPECT_EQ(view.colour, LinkColour::Yellow);
    EXPECT_EQ(link.lastReady(), scan::ScanToolLink::Ready::NoVehicle);
}

TEST_F(LinkTest, AStaleMarkerInTheBufferDoesNotCountAndSilenceEndsInRed) {
    transport.receive("S");
    link.OBDwait();
    EXPECT_TRUE(state.NoVehicleLink);
    EXPECT_EQ(view.colour, LinkColour::Red);
    EXPECT_EQ(link.lastReady(), scan::ScanToolLink::Ready::NoAnswer);
    EXPECT_GE(clock, 5000);
    EXPECT_LE(clock, 5200);
}

TEST_F(LinkTest, EndlessGarbageWithoutMarkersEndsAtTheTimeout) {
    for (int i = 0; i < 200; ++i)
        arrivals.push_back(QByteArray("\x00\xff\x12", 3));
    link.OBDwait();
    EXPECT_TRUE(state.NoVehicleLink);
    EXPECT_EQ(view.colour, LinkColour::Red);
    EXPECT_LE(clock, 5200);
}

TEST_F(LinkTest, ReplyWaitCollectsUntilPastTheThreshold) {
    arrivals = {"V486B", "104100BE3EB8", "1150"};
    EXPECT_EQ(link.readReply(18), "V486B104100BE3EB81150");
    EXPECT_EQ(steps, 3);
}

TEST_F(LinkTest, ReplyThatNeverCompletesIsTheEmptyReplyAfterTheTimeout) {
    arrivals = {"V486B"};
    EXPECT_EQ(link.readReply(18), "");
    EXPECT_GE(clock, 5000);
    EXPECT_EQ(link.OBDinbuffercount(), 0) << "the partial reply is not left for the next exchange";
}

TEST_F(LinkTest, ReplyWaitEndsAtOnceWhenTheVehicleIsUnreachable) {
    state.NoVehicleLink = true;
    EXPECT_FALSE(link.awaitReply(2));
    EXPECT_EQ(steps, 0);
}

TEST_F(LinkTest, OutputSendsTheCommandUnchangedAndReturnsZero) {
    EXPECT_EQ(link.OBDoutput("010C07"), 0);
    EXPECT_EQ(written, "010C07");
}

TEST_F(LinkTest, AnUnpluggedScanToolGivesOneMessageAndEndsEveryWait) {
    arrivals = {"", ""};
    transport.unplug("device removed");
    link.OBDwait();
    EXPECT_TRUE(state.NoVehicleLink);
    EXPECT_EQ(view.colour, LinkColour::Red);
    EXPECT_EQ(link.OBDoutput("010C07"), 0);
    EXPECT_EQ(link.OBDinput(), "FF");
    EXPECT_FALSE(link.awaitReply(5));
    link.OBDwait();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_TRUE(prompter.messages[0].text.contains("device removed"));
    EXPECT_LE(steps, 1);
}

TEST_F(LinkTest, ReadAndWriteErrorsAreReportedOnce) {
    transport.close();
    EXPECT_EQ(link.OBDinput(), "FF");
    EXPECT_EQ(link.OBDoutput("010C07"), 0);
    EXPECT_EQ(prompter.messageTexts(), QStringList({"Communication Error Reading Scan Tool Data"}));

    scan::InProcessTransport other;
    link.setTransport(&other);
    EXPECT_EQ(link.OBDoutput("010C07"), 0);
    EXPECT_EQ(prompter.messageTexts().last(), "Communication Error Writing Scan Tool Data");
}

TEST_F(LinkTest, DebugModeEchoesRawReplies) {
    link.echo("V4.00");
    EXPECT_EQ(view.statusText, "");
    state.DebugMode = true;
    link.echo("V4.00");
    EXPECT_EQ(view.statusText, "V4.00\r\n");
}

TEST_F(LinkTest, OneOperationAtATimeAndCancelEndsWaits) {
    {
        scan::ScanToolLink::Operation first(link);
        EXPECT_TRUE(first.started());
        scan::ScanToolLink::Operation second(link);
        EXPECT_FALSE(second.started());
        EXPECT_TRUE(link.busy());
        link.cancel();
        link.OBDwait();
        EXPECT_TRUE(state.NoVehicleLink);
        EXPECT_EQ(steps, 0);
    }
    EXPECT_FALSE(link.busy());
    scan::ScanToolLink::Operation next(link);
    EXPECT_FALSE(link.cancelled()) << "a new operation starts afresh";
    link.shutDown();
    scan::ScanToolLink::Operation afterExit(link);
    EXPECT_TRUE(link.cancelled()) << "nothing waits once the program is closing";
}

} // namespace
