#include "sim_harness.h"
#include "support/qt_printers.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using sim::Fault;

// One ECU whose engine speed holds still at 750 rpm, with the given settings.
sim::Profile fixedProfile(const QByteArray& settings = {}) {
    return profileFrom("{" + settings + (settings.isEmpty() ? "" : ",") +
                       R"("ecus": [{"address": "10", "pids": {"0C": [11, 184], "21": [0, 0]}}]})");
}

const QByteArray rpmReply = "V486B10410C0BB8D3";

TEST(SimMarkerTest, IdleBoxRepeatsItsMarkerOnAFixedGrid) {
    SimHarness h(fixedProfile());
    h.advance(4);
    EXPECT_EQ(h.take(), "");
    h.advance(1);
    EXPECT_EQ(h.take(), "S");
    h.advance(5);
    EXPECT_EQ(h.take(), "S");
    h.advance(12); // two periods late: one marker, not a burst
    EXPECT_EQ(h.take(), "S");
    h.advance(3);
    EXPECT_EQ(h.take(), "S");
}

TEST(SimMarkerTest, UnreachableVehicleSendsPAndItsRequestsGoUnanswered) {
    SimHarness h(fixedProfile(R"("reachable": false)"));
    h.advance(5);
    EXPECT_EQ(h.take(), "P");
    EXPECT_EQ(h.ask("010C07"), "VS" + QByteArray(15, '0'));
    EXPECT_EQ(h.ask("900101"), "V4.00");
    h.simulator->setReachable(true);
    h.advance(5);
    EXPECT_EQ(h.take(), "S");
    EXPECT_EQ(h.ask("010C07"), rpmReply);
}

TEST(SimMarkerTest, QuietFromTheFirstCommandCharacterUntilTheReplyIsOut) {
    SimHarness h(fixedProfile());
    h.simulator->receive("010");
    h.advance(50);
    EXPECT_EQ(h.take(), "");
    EXPECT_EQ(h.ask("C07"), rpmReply);
    h.advance(4);
    EXPECT_EQ(h.take(), "");
    h.advance(1);
    EXPECT_EQ(h.take(), "S");
}

TEST(SimMarkerTest, AnUnfinishedCommandIsDroppedSoMarkersResume) {
    SimHarness h(fixedProfile());
    h.simulator->receive("01");
    h.advance(sim::ScanToolSimulator::kPartialCommandTimeoutMs - 1);
    EXPECT_EQ(h.take(), "");
    h.advance(1);
    h.advance(5);
    EXPECT_EQ(h.take(), "S");
    EXPECT_EQ(h.ask("010C07"), rpmReply); // the stale "01" is not glued in front
}

TEST(SimCommandTest, GarbageIsSkippedAndCommandsMayArriveInPieces) {
    SimHarness h(fixedProfile());
    EXPECT_EQ(h.ask(QByteArray("\0\r\n\xFF", 4) + "XY010C07"), rpmReply);
    EXPECT_EQ(h.ask("01G010C07"), rpmReply);
    EXPECT_EQ(h.ask("010c07"), rpmReply);
    h.simulator->receive("01");
    h.simulator->receive("0C");
    EXPECT_EQ(h.ask("07"), rpmReply);
    EXPECT_EQ(h.ask("010C07900101"), rpmReply + "V4.00");
}

TEST(SimCommandTest, HostThatAnswersFromInsideTheSignalIsServedInOrder) {
    SimHarness h(fixedProfile());
    int sent = 0;
    QObject::connect(h.simulator.get(), &sim::ScanToolSimulator::transmit,
                     [&](const QByteArray& b) {
                         if (b == "S" && sent++ < 2)
                             h.simulator->receive("010C07");
                     });
    h.advance(5);
    h.advance(5);
    EXPECT_EQ(h.take(), "S" + rpmReply + "S" + rpmReply);
}

TEST(SimFaultTest, EachFaultShapesTheReplyAsTheHostExpectsIt) {
    SimHarness h(fixedProfile());
    auto faulted = [&](Fault fault) {
        h.simulator->injectFault(fault, 1);
        return h.ask("010C07");
    };
    EXPECT_EQ(faulted(Fault::EcuTimeout), "VS" + QByteArray(15, '0'));
    EXPECT_EQ(faulted(Fault::ExtraLeadingS), "S" + rpmReply);
    QByteArray outOfStep = rpmReply;
    outOfStep[2] = 'S';
    EXPECT_EQ(faulted(Fault::OutOfStepS), outOfStep);

    const QByteArray garbage = faulted(Fault::Garbage);
    EXPECT_EQ(garbage.size(), rpmReply.size());
    EXPECT_TRUE(garbage.contains('\0'));
    EXPECT_NE(garbage, rpmReply);
    SimHarness again(fixedProfile()); // the same seed, the same garbage
    again.simulator->injectFault(Fault::Garbage, 1);
    EXPECT_EQ(again.ask("010C07"), garbage);

    EXPECT_EQ(faulted(Fault::Silence), "");
    EXPECT_EQ(h.ask("010C07"), rpmReply);
}

TEST(SimFaultTest, CountsAndPrefixesScopeFaults) {
    SimHarness h(fixedProfile());
    h.simulator->injectFault(Fault::EcuTimeout, 2);
    EXPECT_EQ(h.ask("010C07").at(1), 'S');
    EXPECT_EQ(h.ask("900101").at(1), 'S');
    EXPECT_EQ(h.ask("010C07"), rpmReply);

    h.simulator->injectFault(Fault::OutOfStepS, -1, "0120");
    EXPECT_EQ(h.ask("010009").at(2), '8');
    EXPECT_EQ(h.ask("012009").at(2), 'S');
    EXPECT_EQ(h.ask("012009").at(2), 'S');
    h.simulator->clearFaults();
    EXPECT_EQ(h.ask("012009").at(2), '8');

    // Queued faults strike in the order given.
    h.simulator->injectFault(Fault::EcuTimeout, 1);
    h.simulator->injectFault(Fault::ExtraLeadingS, 1);
    EXPECT_EQ(h.ask("010C07").at(1), 'S');
    EXPECT_EQ(h.ask("010C07"), "S" + rpmReply);
    EXPECT_EQ(h.ask("010C07"), rpmReply);
}

TEST(SimFaultTest, SilenceStopsMarkersOnlyWhenItCoversEveryCommand) {
    SimHarness h(fixedProfile());
    h.simulator->injectFault(Fault::Silence);
    h.advance(50);
    EXPECT_EQ(h.ask("010C07"), "");
    h.advance(50);
    EXPECT_EQ(h.take(), "");
    h.simulator->clearFaults();
    h.advance(5);
    EXPECT_EQ(h.take(), "S");

    h.simulator->injectFault(Fault::Silence, -1, "0105");
    EXPECT_EQ(h.ask("010507"), "");
    h.advance(5);
    EXPECT_EQ(h.take(), "S");
    EXPECT_EQ(h.ask("010C07"), rpmReply);
}

TEST(SimFaultTest, DisconnectEndsAllOutput) {
    SimHarness h(fixedProfile());
    QSignalSpy gone(h.simulator.get(), &sim::ScanToolSimulator::disconnected);
    h.simulator->injectFault(Fault::Disconnect, 1, "0120");
    EXPECT_EQ(h.ask("010009").size(), 21);
    EXPECT_EQ(gone.count(), 0);
    EXPECT_EQ(h.ask("012009"), "");
    EXPECT_EQ(gone.count(), 1);
    EXPECT_TRUE(h.simulator->isDisconnected());
    EXPECT_EQ(h.ask("010C07"), "");
    h.advance(100);
    EXPECT_EQ(h.take(), "");
    EXPECT_EQ(gone.count(), 1);
}

TEST(SimFaultTest, FaultRulesReadFromTheCommandLine) {
    const auto rule = sim::parseFaultRule("ecu-timeout:2:0120");
    ASSERT_TRUE(rule);
    EXPECT_EQ(rule->fault, Fault::EcuTimeout);
    EXPECT_EQ(rule->count, 2);
    EXPECT_EQ(rule->prefix, "0120");
    EXPECT_EQ(sim::parseFaultRule("garbage")->count, -1);
    EXPECT_EQ(sim::parseFaultRule("silence::01")->prefix, "01");
    EXPECT_EQ(sim::parseFaultRule("out-of-step-s:1:0a")->prefix, "0A");
    for (const char* bad : {"nope", "garbage:0", "garbage:x", "garbage:1:0G", "garbage:1:0120000",
                            "disconnect:1:01:2"}) {
        QString error;
        EXPECT_FALSE(sim::parseFaultRule(bad, &error)) << bad;
        EXPECT_TRUE(error.contains(bad)) << error.toStdString();
    }
}

TEST(SimPacingTest, ReplyLeavesNoEarlierThanTheWireAndTheLatencyAllow) {
    SimHarness h(fixedProfile(R"("paced": true, "latencyMs": 10)"));
    h.simulator->receive("010C07");
    // Arrived after 6 characters (3.125 ms), then 10 ms latency, then 0.52 ms per character.
    h.advance(13);
    EXPECT_EQ(h.take(), "");
    h.advance(1);
    EXPECT_EQ(h.take(), "V");
    h.advance(7);
    EXPECT_EQ(h.take(), rpmReply.mid(1, 14));
    h.advance(1);
    EXPECT_EQ(h.take(), rpmReply.mid(15));
    // The first marker follows one period after the last reply character (21.98 ms).
    h.advance(5);
    EXPECT_EQ(h.take(), "");
    h.advance(1);
    EXPECT_EQ(h.take(), "S");
}

TEST(SimPacingTest, BackToBackCommandsGetWholeRepliesInTurn) {
    SimHarness h(fixedProfile(R"("paced": true, "latencyMs": 3)"));
    h.simulator->receive("010C07900101");
    for (int i = 0; i < 40; ++i)
        h.advance(1);
    const QByteArray sent = h.take();
    EXPECT_EQ(sent.left(22), rpmReply + "V4.00");
    EXPECT_EQ(sent.mid(22), QByteArray(sent.size() - 22, 'S'));
}

TEST(SimPacingTest, ExchangeLimitMatchesWhatTheBoxDoes) {
    const sim::Profile profile =
        fixedProfile(R"("paced": true, "latencyMs": 10, "markerPeriodMs": 8)");
    SimHarness h(profile);
    const qint64 start = h.now;
    while (h.sent.isEmpty())
        h.advance(1); // the first marker, and the host answers at once
    h.simulator->receive("010C07");
    while (h.sent.size() < 1 + rpmReply.size())
        h.advance(1);
    EXPECT_EQ(h.sent, "S" + rpmReply);
    const double limitMs = sim::exchangeSeconds(profile, int(rpmReply.size())) * 1000;
    EXPECT_GE(double(h.now - start), limitMs);
    EXPECT_LE(double(h.now - start), limitMs + 2); // whole-millisecond clock steps
}

} // namespace
