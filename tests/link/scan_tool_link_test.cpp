// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/box/box_exchange.h"
#include "link/in_process_transport.h"
#include "link/operation_runner.h"
#include "link/scan_tool_link.h"
#include "support/qt_printers.h"
#include "support/recording_link_view.h"
#include "support/scripted_prompter.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <deque>

using scan::LinkColour;
using Ready = scan::box::BoxExchange::Ready;
using Status = scan::AnswerStatus;

namespace {

TEST(WaitTest, EndsAtTheConditionTheDeadlineOrAStopWhichWins) {
    qint64 clock = 0;
    int steps = 0;
    std::stop_source stop;
    const auto pump = [&] {
        clock += 10;
        ++steps;
    };
    const scan::Deadline deadline =
        scan::Deadline::after([&] { return clock; }, std::chrono::milliseconds(100));
    EXPECT_EQ(scan::waitUntil([&] { return steps == 3; }, deadline, stop.get_token(), pump),
              scan::WaitEnd::Met);
    EXPECT_EQ(scan::waitUntil([] { return false; }, deadline, stop.get_token(), pump),
              scan::WaitEnd::TimedOut);
    EXPECT_EQ(clock, 100);
    stop.request_stop();
    EXPECT_EQ(scan::waitUntil([] { return true; }, scan::Deadline::never(), stop.get_token(), pump),
              scan::WaitEnd::Stopped);
}

TEST(HexPairValueTest, ConvertsPairsTheWayTheRepliesNeed) {
    const std::pair<const char*, int> cases[] = {
        {"7F", 127}, {"00", 0},   {"FF", 255}, {"0A", 10},   {"ff", 128}, {" 5", 5},
        {"5", 80},   {"G0", 128}, {"!!", 0},   {"1AF8", 26}, {"S0", 128}, {"\x01\x02", 0},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(scan::box::hexPairValue(QString::fromLatin1(text)), value) << text;
    QString empty;
    EXPECT_EQ(scan::box::hexPairValue(empty), 0);
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
        link.setTransport(&transport, "Com1 (/dev/ttyS0)");
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
    scan::box::BoxExchange box{link, view};
    QSignalSpy lost{&link, &scan::ScanToolLink::scanToolLost};
};

TEST_F(LinkTest, ReadyMarkersSetTheBoxColour) {
    const std::tuple<std::deque<QByteArray>, Ready, LinkColour> cases[] = {
        {{"", "xx", "S"}, Ready::Vehicle, LinkColour::Green},
        {{"PS"}, Ready::Vehicle, LinkColour::Green},
        {{"SP"}, Ready::Vehicle, LinkColour::Green},
        {{"P"}, Ready::NoVehicle, LinkColour::Yellow},
    };
    for (const auto& [chunks, ready, colour] : cases) {
        arrivals = chunks;
        EXPECT_EQ(box.awaitReady(), ready);
        EXPECT_EQ(state.NoVehicleLink, ready != Ready::Vehicle);
        EXPECT_EQ(view.colour, colour);
    }
}

TEST_F(LinkTest, AScanToolThatIsPolledIsReadyWhenItSaysSo) {
    EXPECT_TRUE(box.ComPortActive());
    transport.answerReadyPolls(scan::ReadyState::Vehicle);
    EXPECT_FALSE(box.ComPortActive()) << "derived from the transport in use";
    EXPECT_EQ(box.awaitReady(), Ready::Vehicle);
    EXPECT_EQ(view.colour, LinkColour::Green);
    transport.answerReadyPolls(scan::ReadyState::NotYet);
    EXPECT_EQ(box.awaitReady(), Ready::NoAnswer);
    EXPECT_GE(clock, 5000);
}

TEST_F(LinkTest, AStaleMarkerDoesNotCountAndSilenceIsNoAnswerAfterTheTimeout) {
    transport.receive("S");
    for (int i = 0; i < 100; ++i)
        arrivals.push_back(QByteArray("\x00\xff\x12", 3)); // noise, never a marker
    EXPECT_EQ(box.awaitReady(), Ready::NoAnswer);
    EXPECT_EQ(view.colour, LinkColour::Red);
    EXPECT_GE(clock, 5000);
    EXPECT_LE(clock, 5200);
    EXPECT_TRUE(lost.isEmpty()) << "the connection's own wait goes on through silence";

    EXPECT_EQ(box.request("010C07", 14).status(), Status::Lost)
        << "a request finds the scan tool gone";
    EXPECT_EQ(lost.size(), 1);
    EXPECT_EQ(prompter.messageTexts(),
              QStringList({"The scan tool stopped answering on Com1 (/dev/ttyS0): it may have "
                           "been unplugged."}));
}

TEST_F(LinkTest, AReplyIsCollectedUntilItsChecksumArrives) {
    arrivals = {"S", "V486B", "10410C1AF", "8", "2", "2"};
    const scan::box::Reply reply = box.request("010C07", 14);
    EXPECT_EQ(reply.status(), Status::Answered);
    EXPECT_EQ(reply.text(), "V486B10410C1AF822");
    EXPECT_EQ(written, "010C07");

    // A marker already on the wire when the command went out is no part of the reply's length.
    arrivals = {"S", "SV486B10410C1AF8", "22"};
    EXPECT_EQ(box.request("010C07", 14).text(), "V486B10410C1AF822");
}

TEST_F(LinkTest, StaleBytesOfAnEarlierReplyAreDrainedBeforeTheRequest) {
    transport.receive("V486B10410D00C5"); // a late answer to an earlier request
    arrivals = {"V486B10410C1AF822"};
    EXPECT_EQ(box.exchange("010C07", 14).status(), Status::Answered);
}

TEST_F(LinkTest, AReplyThatNeverCompletesIsLateAndLeavesNothingBehind) {
    arrivals = {"V486B"};
    EXPECT_EQ(box.exchange("010C07", 14).status(), Status::Late);
    EXPECT_GE(clock, 5000);
    EXPECT_EQ(box.OBDinbuffercount(), 0);
}

TEST_F(LinkTest, AnUnreachableVehicleEndsTheWaitAtOnce) {
    arrivals = {"P"};
    EXPECT_EQ(box.request("010C07", 14).status(), Status::NoVehicle);
    EXPECT_EQ(written, "") << "nothing is sent";
    EXPECT_EQ(box.exchange("800204", 2).status(), Status::NoVehicle);
    EXPECT_EQ(written, "800204");
    EXPECT_LE(steps, 1);
}

TEST_F(LinkTest, AnUnpluggedScanToolIsLostOnceAndEndsEveryWait) {
    transport.unplug("device removed");
    EXPECT_EQ(box.request("010C07", 14).status(), Status::Lost);
    EXPECT_EQ(box.exchange("010C07", 14).status(), Status::Lost);
    EXPECT_EQ(box.collectReply(), "FF");
    EXPECT_EQ(lost.size(), 1);
    EXPECT_EQ(prompter.messageTexts(),
              QStringList({"The scan tool stopped answering on Com1 (/dev/ttyS0): it may have "
                           "been unplugged (device removed)."}));
    EXPECT_EQ(steps, 0);
}

TEST_F(LinkTest, ReadAndWriteErrorsLoseTheScanTool) {
    transport.close();
    EXPECT_EQ(box.sendCommand("010C07"), 0);
    EXPECT_EQ(box.collectReply(), "FF");
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_TRUE(prompter.messages[0].text.startsWith(
        "Communication Error Writing Scan Tool Data\nThe scan tool stopped answering"));
    EXPECT_TRUE(link.lost());

    link.setTransport(&transport, "Com2 (/dev/ttyS1)");
    EXPECT_FALSE(link.lost()) << "a new connection starts afresh";
    box.collectReply();
    EXPECT_TRUE(
        prompter.messages.back().text.startsWith("Communication Error Reading Scan Tool Data\n"));
}

TEST_F(LinkTest, OperationsRunOneAtATimeAndEscapeStopsOnlyTheOneUnderWay) {
    struct Shown : scan::OperationView {
        void operationRefused() override { events << "refused"; }
        void operationStarted(const QString& what) override { events << what; }
        void operationEnded() override { events << "ended"; }
        QStringList events;
    } shown;
    scan::OperationRunner operations(link);
    operations.setView(&shown);
    operations.stop(); // nothing runs: nothing to stop
    const bool ran = operations.run("Reading", [&] {
        EXPECT_FALSE(link.stopRequested());
        EXPECT_FALSE(operations.run("Another", [] { ADD_FAILURE() << "runs beside the first"; }));
        operations.stop();
        EXPECT_EQ(box.request("010C07", 14).status(), Status::Stopped);
        EXPECT_EQ(steps, 0);
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(shown.events, QStringList({"Reading", "refused", "ended"}));
    EXPECT_FALSE(link.busy());
    EXPECT_FALSE(link.stopRequested()) << "the stop ends with its operation";
    link.shutDown();
    EXPECT_TRUE(link.stopRequested()) << "nothing waits once the program is closing";
}

} // namespace
