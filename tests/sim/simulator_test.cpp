// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_harness.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

using sim::Fault;

// One ECU whose engine speed holds still at 750 rpm.
sim::Profile fixedProfile() {
    return profileFrom(R"({"ecus": [{"address": "10", "pids": {"0C": [11, 184], "21": [0, 0]}}]})");
}

const QByteArray rpmReply = "V486B10410C0BB8D3";

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

    // An unfinished command is dropped after a while, so that markers resume.
    h.simulator->receive("01");
    h.advance(sim::ScanToolSimulator::kPartialCommandTimeoutMs);
    h.advance(5);
    EXPECT_EQ(h.take(), "S");
    EXPECT_EQ(h.ask("010C07"), rpmReply); // the stale "01" is not glued in front
}

TEST(SimCommandTest, GarbageIsSkippedAndCommandsMayArriveInPieces) {
    SimHarness h(fixedProfile());
    EXPECT_EQ(h.ask(QByteArray("\0\r\n\xFF", 4) + "XY010C07"), rpmReply);
    EXPECT_EQ(h.ask("01G010c07"), rpmReply);
    h.simulator->receive("01");
    h.simulator->receive("0C");
    EXPECT_EQ(h.ask("07"), rpmReply);
    EXPECT_EQ(h.ask("010C07900101"), rpmReply + "V4.00");
}

TEST(SimFaultTest, EachFaultShapesTheReplyAsTheHostExpectsIt) {
    const std::tuple<Fault, const char*, QByteArray> cases[] = {
        {Fault::EcuTimeout, "010C07", "VS" + QByteArray(15, '0')},
        {Fault::ExtraLeadingS, "010C07", "S" + rpmReply},
        {Fault::OutOfStepS, "010C07", "V4S6B10410C0BB8D3"},
        {Fault::Silence, "010C07", ""},
        {Fault::Cut, "010C07", "V486B"},
        {Fault::Refuse, "010C07", "V486B107F01120055"}, // 7F, service $01, reason $12, padded
        {Fault::Refuse, "900101", "V4.00"},             // the box's own commands are not hit
        // The reply to another request: engine speed for another PID, vehicle speed for engine
        // speed, in services $01 and $02; pending codes for stored ones and the other way round.
        {Fault::WrongReply, "010507", rpmReply},
        {Fault::WrongReply, "010C07", "V486B10410D000011"},
        {Fault::WrongReply, "02050A", "V486B10420C000DAC0000CA"},
        {Fault::WrongReply, "030A0A", "V486B10470420000000002E"},
        {Fault::WrongReply, "070A0A", "V486B10430300017100007B"},
        {Fault::WrongReply, "900101", "V4.00"},
        {Fault::Repeat, "010C07", rpmReply + rpmReply},
        {Fault::DropChar, "900101", "V4.00"}, // only what a checksum guards is damaged
    };
    for (const auto& [fault, request, expected] : cases) {
        SimHarness h; // the default vehicle, at 750 rpm and 0 km/h in its first moments
        h.simulator->injectFault(fault, 1);
        EXPECT_EQ(h.ask(request), expected) << sim::faultName(fault).toStdString() << request;
        h.advance(5); // idle again: a host counting characters sees markers fill the reply up
        EXPECT_EQ(h.take(), "S") << sim::faultName(fault).toStdString();
        EXPECT_EQ(h.ask("010C07"), rpmReply);
    }

    SimHarness h;
    h.simulator->injectFault(Fault::Garbage, 1);
    const QByteArray garbage = h.ask("010C07");
    EXPECT_EQ(garbage.size(), rpmReply.size());
    EXPECT_TRUE(garbage.contains('\0'));
    SimHarness again; // the same seed, the same garbage
    again.simulator->injectFault(Fault::Garbage, 1);
    EXPECT_EQ(again.ask("010C07"), garbage);

    for (const Fault fault : {Fault::DropChar, Fault::FlipDigit}) {
        SimHarness damaged;
        damaged.simulator->injectFault(fault, 1);
        const QByteArray reply = damaged.ask("010C07");
        EXPECT_EQ(reply.size(), rpmReply.size() - (fault == Fault::DropChar ? 1 : 0));
        EXPECT_NE(reply, rpmReply);
    }
}

TEST(SimFaultTest, FaultRulesReadFromTheCommandLine) {
    const auto rule = sim::parseFaultRule("ecu-timeout:2:0a20:3");
    ASSERT_TRUE(rule);
    EXPECT_EQ(std::tuple(rule->fault, rule->count, rule->prefix, rule->after),
              std::tuple(Fault::EcuTimeout, 2, QByteArray("0A20"), 3));
    EXPECT_EQ(sim::parseFaultRule("silence::01")->count, -1);
    for (int f = 0; f <= int(Fault::Repeat); ++f)
        EXPECT_EQ(sim::faultFromName(sim::faultName(Fault(f))), Fault(f)) << f;
    for (const char* bad : {"nope", "garbage:0", "garbage:x", "garbage:1:0G", "garbage:1:0120000",
                            "disconnect:1:01:-1", "cut:1:01:2:3"}) {
        QString error;
        EXPECT_FALSE(sim::parseFaultRule(bad, &error)) << bad;
        EXPECT_TRUE(error.contains(bad)) << error.toStdString();
    }
}

TEST(SimulatorTest, AcknowledgedPassThroughTakesFourteenRawBytesOrGivesThemUp) {
    SimHarness h;
    const QByteArray test = QByteArray::fromHex("0106686af1060b01000000000000");
    EXPECT_EQ(h.ask("F00504"), "VA1");
    EXPECT_EQ(h.ask(test).toHex(), "486b10468101f4019000000000"
                                   "10");

    const QByteArray wrongHeader = QByteArray::fromHex("0106616af1060b01000000000000");
    h.ask("F00504");
    EXPECT_EQ(h.ask(wrongHeader).mid(3, 3).toHex(), "7f0612");
    h.ask("F00504");
    EXPECT_EQ(h.ask(QByteArray::fromHex("0105686af1060000000000000000")).mid(3, 7).toHex(),
              "460000c0210000")
        << "supported tests $01, $02, $0B and $10";

    h.ask("F00504");
    EXPECT_EQ(h.ask(test.left(5)), "");
    h.advance(sim::ScanToolSimulator::kPartialCommandTimeoutMs - 1);
    EXPECT_EQ(h.take(), "") << "quiet while the raw command may still come";
    h.advance(1);
    h.advance(5);
    EXPECT_EQ(h.take(), "S");
    EXPECT_EQ(h.ask("900101"), "V4.00") << "the part was dropped, not taken for a command";
}

} // namespace
