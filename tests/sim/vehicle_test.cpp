// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_harness.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

using sim::Fault;

const QByteArray smallEcu = R"({"ecus": [{"address": "10", "pids": {
    "01": [0, 7, 229, 5], "0C": [26, 248], "1F": [2, 88], "21": [0, 9], "4E": [3, 132]}}]})";

const QByteArray unanswered7 = "VS" + QByteArray(15, '0');

TEST(SimReplyTest, RepliesKeepTheAskedLengthAndEndInTheirChecksum) {
    sim::BoxAnswers vehicle(profileFrom(smallEcu));
    const std::pair<const char*, QByteArray> cases[] = {
        {"010C07", "V486B10410C1AF822"},
        {"011F09", "V486B10411F025800007D"}, // data padded with zeros
        {"010C06", "V486B10410C1A2A"},       // or cut
        {"010C03", "V486B10C3"},             // even the header
        {"010C00", "V00"},
        {"010507", unanswered7}, // a PID the ECU lacks
        {"0A0C07", unanswered7}, // a service it lacks
        {"900101", "V4.00"},
    };
    for (const auto& [request, expected] : cases)
        EXPECT_EQ(ask(vehicle, request), expected) << request;
    EXPECT_EQ(ask(vehicle, "010CFF").size(), 1 + 2 * 255 + 2);

    vehicle.setReachable(false);
    EXPECT_EQ(ask(vehicle, "010C07"), unanswered7);
    EXPECT_EQ(ask(vehicle, "900101"), "V4.00"); // the box itself still answers
}

TEST(SimReplyTest, SupportMapsFollowTheDefinedPidsAndChainOnward) {
    sim::BoxAnswers vehicle(profileFrom(smallEcu));
    EXPECT_EQ(ask(vehicle, "010009").mid(11, 8), "80100003"); // $01, $0C, $1F, $20
    EXPECT_EQ(ask(vehicle, "012009").mid(11, 8), "80000001"); // $21, $40
    EXPECT_EQ(ask(vehicle, "014009").mid(11, 8), "00040000"); // $4E
    EXPECT_EQ(ask(vehicle, "016009").at(1), 'S');

    // A gap in the middle range still leads on to the PIDs above it.
    sim::BoxAnswers gap(profileFrom(R"({"ecus": [{"address": "10", "pids": {"42": [55, 20]}}]})"));
    EXPECT_EQ(ask(gap, "010009").mid(11, 8), "00000001");
    EXPECT_EQ(ask(gap, "012009").mid(11, 8), "00000001");
    EXPECT_EQ(ask(gap, "014009").mid(11, 8), "40000000");

    // Without OBD data the ECU shows its address in all-clear maps, in services $01 and $02, and
    // has no freeze frame; that follows from the data, not from the address.
    sim::BoxAnswers none(profileFrom(R"({"ecus": [{"address": "D0", "storedCodes": ["0300"]}]})"));
    EXPECT_EQ(ask(none, "010009"), "V486BD0410000000000C4");
    EXPECT_EQ(ask(none, "010109"), "VS" + QByteArray(19, '0'));
    EXPECT_EQ(ask(none, "02000A").mid(13, 8), "00000000");
    EXPECT_EQ(ask(none, "02020A").at(1), 'S');
    sim::BoxAnswers d0(profileFrom(R"({"ecus": [{"address": "D0", "pids": {"05": [130]},
                                               "freezeFrame": {"02": [1, 35]}}]})"));
    EXPECT_EQ(ask(d0, "02020A").mid(13, 4), "0123");
}

TEST(SimReplyTest, MovingValuesUseEachPidsStandardEncoding) {
    sim::Vehicle vehicle(profileFrom(R"({"ecus": [{"address": "10", "pids": {
        "0C": {"wave": "sine", "min": 750, "max": 3000, "periodS": 20},
        "0D": {"wave": "triangle", "min": 0, "max": 250, "periodS": 10},
        "04": {"wave": "square", "min": 20, "max": 100, "periodS": 2},
        "14": {"wave": "sawtooth", "min": 0, "max": 1, "periodS": 4},
        "24": {"wave": "sine", "min": 1, "max": 1, "periodS": 1, "tail": [1, 2]},
        "34": {"wave": "sine", "min": 0, "max": 0.5, "periodS": 8, "phaseS": 4},
        "05": {"wave": "warmup", "start": 20, "end": 90, "timeConstantS": 60},
        "0F": {"wave": "drive", "quantity": "speed", "phaseS": 60}}}]})"));
    const std::tuple<quint8, double, const char*> cases[] = {
        {0x0C, 0, "0BB8"},     // 750 rpm x 4
        {0x0C, 10, "2EE0"},    // 3000 rpm at half period
        {0x0D, 2.5, "7D"},     // 125 km/h on the way up
        {0x04, 0.5, "33"},     // 20 % = 51
        {0x14, 1, "3280"},     // 0.25 V = 50, trim byte 0 %
        {0x24, 0, "80000102"}, // lambda 1 = 0x8000, own tail
        {0x34, 0, "40007C3B"}, // the phase starts it at the top, 0.5: rich, -3.77 mA
        {0x05, 0, "3C"},       // 20 °C + 40
        {0x0F, 0, "8C"},       // a minute into the drive: 100 km/h, carried as 100 °C
    };
    for (const auto& [pid, seconds, expected] : cases)
        EXPECT_EQ(vehicle.currentData(0, pid, seconds)->toHex().toUpper(), expected)
            << int(pid) << " at " << seconds << " s";
}

// One ECU with a monitor status of its own (A = $85) and a freeze frame, plus the given keys.
QByteArray ecuWith(const QByteArray& keys, const QByteArray& pids = R"("01": [133, 7, 229, 5])") {
    return R"({"ecus": [{"address": "10", "pids": {)" + pids +
           R"(}, "freezeFrame": {"02": [3, 0], "05": [150]})" +
           (keys.isEmpty() ? "" : ", " + keys) + "}]}";
}

// A clear refused, unanswered or lost on the way leaves everything as it was; one the ECU
// answered has cleared, however its reply was spoilt on the way.
TEST(SimClearTest, CodesAreClearedOnlyWhenTheEcuAcceptedTheClear) {
    // Six bytes, two more than the program asks, so that a negative response shows whole.
    const QByteArray unanswered = "VS" + QByteArray(13, '0');
    const std::tuple<bool, bool, std::optional<Fault>, QByteArray, bool> cases[] = {
        // clear refused, vehicle reachable, fault, reply, cleared
        {true, true, std::nullopt, "V486B107F042268", false}, // conditions not correct
        {false, false, std::nullopt, unanswered, false},
        {false, true, Fault::EcuTimeout, unanswered, false},
        {false, true, Fault::Silence, "", false},
        {false, true, Fault::Refuse, "V486B107F041258", false},
        {false, true, Fault::WrongReply, "V486B1041008084", false}, // the support map's reply
        {false, true, Fault::ExtraLeadingS, "SV486B1044000007", true},
        {false, true, Fault::Cut, "V486B", true},
    };
    for (const auto& [refused, reachable, fault, reply, cleared] : cases) {
        SimHarness h(ecuWith(refused ? R"("storedCodes": ["0300"], "clearRefused": true)"
                                     : R"("storedCodes": ["0300"])"));
        h.simulator->setReachable(reachable);
        if (fault)
            h.simulator->injectFault(*fault, 1, "04");
        EXPECT_EQ(h.ask("040406"), reply);
        h.simulator->setReachable(true);
        const QByteArray after =
            h.ask("030A0A").mid(9, 4) + h.ask("02020A").mid(13, 4) + h.ask("010109").mid(11, 2);
        EXPECT_EQ(after, cleared ? "0000000000" : "0300030081") << reply.data();
    }
}

} // namespace
