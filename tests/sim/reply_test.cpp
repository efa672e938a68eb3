#include "sim/vehicle.h"
#include "sim_harness.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

const QByteArray smallEcu = R"({"ecus": [{"address": "10", "pids": {
    "01": [0, 7, 229, 5], "0C": [26, 248], "1F": [2, 88], "21": [0, 9], "4E": [3, 132]}}]})";

TEST(SimReplyTest, CurrentDataFrameCarriesHeaderAddressPidDataAndChecksum) {
    sim::Vehicle vehicle(profileFrom(smallEcu));
    const QString reply = ask(vehicle, "010C07");
    EXPECT_EQ(reply, "V486B10410C1AF822");
    EXPECT_EQ(reply.mid(5, 2), "10"); // the address at positions 6-7
    EXPECT_EQ(reply.mid(9, 2), "0C"); // the PID at 10-11
    EXPECT_EQ(reply.mid(11, 4), "1AF8");
}

TEST(SimReplyTest, DataIsPaddedOrCutToTheRequestedLength) {
    sim::Vehicle vehicle(profileFrom(smallEcu));
    EXPECT_EQ(ask(vehicle, "011F09").mid(11, 8), "02580000");
    EXPECT_EQ(ask(vehicle, "010C06").mid(1, 12), "486B10410C1A");
    EXPECT_EQ(ask(vehicle, "010C03"), "V486B10C3"); // even the header is cut
    for (const char* text :
         {"010C07", "010C06", "010C03", "010C00", "011F09", "010C0A", "010CFF"}) {
        const QString reply = ask(vehicle, text);
        const int length = command(text).length;
        EXPECT_EQ(reply.size(), 1 + 2 * length + 2) << text;
        EXPECT_TRUE(checksumHolds(reply)) << text << " " << reply.toStdString();
    }
}

TEST(SimReplyTest, UnansweredRequestsKeepTheFullLengthWithSSecond) {
    sim::Vehicle vehicle(profileFrom(smallEcu));
    const QString unanswered = "VS" + QString(15, '0');
    EXPECT_EQ(ask(vehicle, "010507"), unanswered); // PID not in the profile
    EXPECT_EQ(ask(vehicle, "0A0C07"), unanswered); // unknown service
    vehicle.setReachable(false);
    EXPECT_EQ(ask(vehicle, "010C07"), unanswered);
    EXPECT_EQ(ask(vehicle, "900101"), "V4.00"); // the box itself still answers
}

TEST(SimReplyTest, SupportMapsFollowTheDefinedPidsAndChainOnward) {
    sim::Vehicle vehicle(profileFrom(smallEcu));
    EXPECT_EQ(ask(vehicle, "010009").mid(11, 8), "80100003"); // $01, $0C, $1F, $20
    EXPECT_EQ(ask(vehicle, "012009").mid(11, 8), "80000001"); // $21, $40
    EXPECT_EQ(ask(vehicle, "014009").mid(11, 8), "00040000"); // $4E
    EXPECT_EQ(ask(vehicle, "016009").at(1), 'S');

    // A gap in the middle range still leads on to the PIDs above it.
    sim::Vehicle gap(profileFrom(R"({"ecus": [{"address": "10", "pids": {"42": [55, 20]}}]})"));
    EXPECT_EQ(ask(gap, "010009").mid(11, 8), "00000001");
    EXPECT_EQ(ask(gap, "012009").mid(11, 8), "00000001");
    EXPECT_EQ(ask(gap, "014009").mid(11, 8), "40000000");

    sim::Vehicle low(profileFrom(R"({"ecus": [{"address": "10", "pids": {"05": [130]}}]})"));
    EXPECT_EQ(ask(low, "010009").mid(11, 8), "08000000");
    EXPECT_EQ(ask(low, "012009").at(1), 'S');
}

TEST(SimReplyTest, EcuWithoutDataShowsItsAddressButAnswersNothingElse) {
    sim::Vehicle vehicle(profileFrom(R"({"ecus": [{"address": "D0"}]})"));
    const QString map = ask(vehicle, "010009");
    EXPECT_EQ(map.mid(5, 2), "D0");
    EXPECT_EQ(map.mid(11, 8), "00000000");
    EXPECT_TRUE(checksumHolds(map));
    EXPECT_EQ(ask(vehicle, "010109"), "VS" + QString(19, '0'));
    EXPECT_EQ(ask(vehicle, "010C07").at(1), 'S');
}

TEST(SimReplyTest, FirmwareReplyIsTheLeadingCharacterAndTheVersion) {
    sim::Vehicle standard(sim::Profile::defaults());
    EXPECT_EQ(ask(standard, "900101"), "V4.00");
    sim::Vehicle other(profileFrom(R"({"leadingChar": "X", "firmware": "3.10"})"));
    EXPECT_EQ(ask(other, "900101"), "X3.10");
    EXPECT_EQ(ask(other, "010C07").at(0), 'X');
    EXPECT_EQ(ask(other, "010C07").mid(1, 6), "486B10");
}

TEST(SimReplyTest, MovingValuesUseEachPidsStandardEncoding) {
    sim::Vehicle vehicle(profileFrom(R"({"ecus": [{"address": "10", "pids": {
        "0C": {"wave": "sine", "min": 750, "max": 3000, "periodS": 20},
        "0D": {"wave": "triangle", "min": 0, "max": 300, "periodS": 10},
        "04": {"wave": "square", "min": 20, "max": 100, "periodS": 2},
        "14": {"wave": "sawtooth", "min": 0, "max": 1, "periodS": 4},
        "24": {"wave": "sine", "min": 1, "max": 1, "periodS": 1, "tail": [1, 2]},
        "34": {"wave": "sine", "min": -1, "max": 0.5, "periodS": 8, "phaseS": 4},
        "10": {"wave": "sine", "min": 7, "max": 7, "periodS": 1}}}]})"));
    auto data = [&](quint8 pid, double s) {
        return vehicle.currentData(pid, s)->toHex().toUpper();
    };
    EXPECT_EQ(data(0x0C, 0), "0BB8");     // 750 rpm x 4
    EXPECT_EQ(data(0x0C, 10), "2EE0");    // 3000 rpm at half period
    EXPECT_EQ(data(0x0C, 20), "0BB8");    // and back
    EXPECT_EQ(data(0x0D, 2.5), "96");     // 150 km/h on the way up
    EXPECT_EQ(data(0x0D, 5), "FF");       // 300 km/h clamped to one byte
    EXPECT_EQ(data(0x04, 0.5), "33");     // 20 % = 51
    EXPECT_EQ(data(0x04, 1.5), "FF");     // 100 %
    EXPECT_EQ(data(0x14, 1), "3280");     // 0.25 V = 50, trim byte 0 %
    EXPECT_EQ(data(0x24, 0), "80000102"); // lambda 1 = 0x8000, own tail
    EXPECT_EQ(data(0x34, 0), "40008000"); // the phase starts it at the top, 0.5
    EXPECT_EQ(data(0x34, 4), "00008000"); // negative lambda clamped to 0
    EXPECT_EQ(data(0x10, 0), "02BC");     // 7 g/s x 100
}

} // namespace
