#include "obd/pid_request.h"
#include "support/qt_printers.h"
#include "support/simulated_link.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

TEST(CommandTest, TheReplyLengthIsAlwaysTwoUpperCaseHexDigits) {
    EXPECT_EQ(obd::command("01", "0C", 7), "010C07");
    EXPECT_EQ(obd::command("02", "0C", 8), "020C08");
    EXPECT_EQ(obd::command("02", "00", 10), "02000A")
        << "a freeze-frame request of 9 bytes plus the frame byte";
    EXPECT_EQ(obd::command("03", "0A", 10), "030A0A");
    EXPECT_EQ(obd::command("02", "42", 10).size(), 6);
}

// The request against the simulated scan tool, in this process.
class PidRequestTest : public ::testing::Test {
protected:
    SimulatedLink sim;
    sim::ScanToolSimulator& simulator = sim.simulator;
    QByteArrayList& sent = sim.sent;
    RecordingLinkView& view = sim.view;
    obd::PidRequest request{sim.link, sim.view};
};

TEST_F(PidRequestTest, AWellFormedReplyIsReturnedAsItCame) {
    const QString reply = request.get_ecu_PID("01", "05", 6);
    EXPECT_TRUE(reply.startsWith("V486B10410582")) << reply.toStdString();
    EXPECT_EQ(reply.size(), 1 + 12 + 2);
    EXPECT_EQ(view.colour, scan::LinkColour::Green);
    EXPECT_EQ(sent, QByteArrayList({"010506"}));
}

TEST_F(PidRequestTest, NoVehicleGivesTwentyTwoZerosWithoutAsking) {
    simulator.setReachable(false);
    EXPECT_EQ(request.get_ecu_PID("01", "0C", 7), QString(22, '0'));
    EXPECT_TRUE(sent.isEmpty());
}

TEST_F(PidRequestTest, AnExtraLeadingSIsDropped) {
    simulator.injectFault(sim::Fault::ExtraLeadingS, 1);
    const QString reply = request.get_ecu_PID("01", "05", 6);
    EXPECT_TRUE(reply.startsWith("V486B10410582")) << reply.toStdString();
    EXPECT_EQ(reply.size(), 13);
}

TEST_F(PidRequestTest, OutOfStepAndGarbageRepliesAreAskedAgainAFewTimesAtMost) {
    simulator.injectFault(sim::Fault::OutOfStepS, 1);
    simulator.injectFault(sim::Fault::Garbage, 1);
    EXPECT_TRUE(request.get_ecu_PID("01", "05", 6).startsWith("V486B10410582"));
    EXPECT_EQ(sent.size(), 3);

    sent.clear();
    simulator.clearFaults();
    simulator.injectFault(sim::Fault::OutOfStepS);
    EXPECT_EQ(request.get_ecu_PID("01", "05", 6), "");
    EXPECT_EQ(sent.size(), 3);
    EXPECT_EQ(view.colour, scan::LinkColour::Red);
}

TEST_F(PidRequestTest, AnUnansweredRequestEndsAsTheEmptyReply) {
    // The box drops the reply and goes back to its ready markers, which never make a reply.
    simulator.injectFault(sim::Fault::Silence, -1, "010C");
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(request.get_ecu_PID("01", "0C", 7), "");
    EXPECT_LE(sent.size(), 3);
    EXPECT_LT(elapsed.elapsed(), 3000);
}

TEST_F(PidRequestTest, AScanToolGoneQuietEndsAfterTheReplyTimeout) {
    simulator.injectFault(sim::Fault::Silence);
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(request.get_ecu_PID("01", "0C", 7), QString(22, '0'))
        << "no ready marker: no vehicle";
    EXPECT_GE(elapsed.elapsed(), 350);
    EXPECT_LT(elapsed.elapsed(), 3000);
    EXPECT_EQ(view.colour, scan::LinkColour::Red);
}

TEST_F(PidRequestTest, AnUnansweredPidKeepsItsLengthWithSSecond) {
    const QString reply = request.get_ecu_PID("01", "5F", 6);
    EXPECT_EQ(reply.mid(1, 1), "S");
    EXPECT_EQ(reply.size(), 15);
}

} // namespace
