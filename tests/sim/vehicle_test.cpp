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
        {"080C07", unanswered7}, // a service it lacks
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

    // Maps as a captured car gave them: a PID named without a value stays unanswered, and a map
    // the car did not give is not made up; what it left unanswered or refused stays so.
    sim::BoxAnswers captured(profileFrom(R"({"ecus": [{"address": "10", "pids": {"0C": [26, 248]},
        "supportMaps": {"01": {"00": [0, 24, 0, 0]}, "02": {"00": [64, 0, 0, 0]}},
        "freezeFrame": {"02": [3, 0]}, "storedCodes": ["0300"], "unanswered": ["03", "0202"],
        "refused": ["07"]}]})"));
    EXPECT_EQ(ask(captured, "010009").mid(11, 8), "00180000") << "$0C and $0D";
    EXPECT_EQ(ask(captured, "010D07"), unanswered7);
    EXPECT_EQ(ask(captured, "012009").at(1), 'S');
    EXPECT_EQ(ask(captured, "02000A").mid(13, 8), "40000000");
    EXPECT_EQ(ask(captured, "02020A").at(1), 'S');
    EXPECT_EQ(ask(captured, "030A0A").at(1), 'S');
    EXPECT_EQ(ask(captured, "070A0A").mid(7, 6), "7F0712");
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

// The box gathers vehicle information into one frame of the asked length, from firmware 4.00 on,
// and sends permanent codes as it sends stored ones.
TEST(SimReplyTest, VehicleInformationInOneFrameAndPermanentCodesAsStoredOnes) {
    const QByteArray vin = "1FTFW1ET5DFC10312";
    sim::Profile profile = sim::Profile::defaults();
    sim::BoxAnswers box(profile);
    EXPECT_EQ(ask(box, "090217"), "V486B10490201" + vin.toHex().toUpper() + "3A");
    EXPECT_EQ(ask(box, "090009"), "V486B10490054400000A0");
    EXPECT_EQ(ask(box, "0A0A0A"), "V486B104A03000000000010");

    profile.ecus[0].vinFrameMissing = profile.ecus[0].permanentRefused = true;
    sim::BoxAnswers lossy(profile);
    EXPECT_EQ(ask(lossy, "090217"), "V486B10490201" + vin.chopped(1).toHex().toUpper() + "08");
    EXPECT_EQ(ask(lossy, "0A0A0A"), "V486B107F0A11000000005D");
    profile.firmware = "3.10";
    sim::BoxAnswers old(profile);
    EXPECT_EQ(ask(old, "090217"), "VS" + QByteArray(47, '0'));
}

// Service $09 from an ECU with every item, and from one with none.
TEST(SimVehicleInfoTest, ItemsComeWholeOnCanAndInNumberedFourByteMessagesElsewhere) {
    sim::Vehicle vehicle(profileFrom(R"({"ecus": [
        {"address": "10", "vin": "1D4GP24R45B123456", "calibrationIds": ["JMB*36761500", "A"],
         "cvns": ["1791BC82"], "ecuName": "ECM-EngineControl"}, {"address": "28"}]})"));
    using B = sim::Bus;
    const std::tuple<std::size_t, quint8, B, QByteArray> cases[] = {
        {0, 0x00, B::NonCan, "490054400000"}, // $02, $04, $06, $0A
        {0, 0x02, B::Can, "4902013144344750323452343542313233343536"},
        {0, 0x04, B::Can,
         "4904024A4D422A333637363135303000000000"
         "41000000000000000000000000000000"},
        {0, 0x04, B::NonCan,
         "4904014A4D422A 49040233363736 49040331353030 49040400000000 "
         "49040541000000 49040600000000 49040700000000 49040800000000"},
        {0, 0x06, B::Can, "4906011791BC82"},
        {0, 0x0A, B::Can, "490A0145434D2D456E67696E65436F6E74726F6C000000"},
        {0, 0x0A, B::NonCan,
         "490A0145434D2D 490A02456E6769 490A036E65436F 490A046E74726F "
         "490A056C000000"},
        {1, 0x00, B::Can, ""},
    };
    for (const auto& [ecu, pid, bus, expected] : cases) {
        QByteArrayList messages;
        for (const QByteArray& m : vehicle.answer(ecu, QByteArray(1, '\x09') + char(pid), bus, 0))
            messages.append(m.toHex().toUpper());
        EXPECT_EQ(messages.join(' '), expected) << ecu << " PID " << int(pid) << int(bus);
    }
}

// On CAN service $06 answers from obdMonitors alone, a monitor's tests in one message; the other
// buses keep the one result a request from monitorTests.
TEST(SimMonitorTest, CanAnswersWholeMonitorsAndOtherBusesOneResult) {
    sim::Vehicle vehicle(profileFrom(R"({"ecus": [{"address": "10",
        "monitorTests": {"0B": {"01": {"value": 500, "max": 400}}}, "obdMonitors": {"01": [
        {"tid": "01", "unit": "0B", "value": 551, "min": 0, "max": 1100},
        {"tid": "8E", "unit": "0B", "value": 551, "min": 169, "max": 19898}]}}]})"));
    const std::tuple<const char*, sim::Bus, QByteArray> cases[] = {
        {"0600", sim::Bus::Can, "460080000000"},
        {"0601", sim::Bus::Can, "4601010B02270000044C018E0B022700A94DBA"},
        {"0620", sim::Bus::Can, ""},
        {"060B", sim::Bus::Can, ""},
        {"060B01", sim::Bus::NonCan, "460B0101F40190"},
        {"060C01", sim::Bus::NonCan, "7F0612"},
    };
    for (const auto& [request, bus, expected] : cases)
        EXPECT_EQ(
            vehicle.answer(0, QByteArray::fromHex(request), bus, 0).join(' ').toHex().toUpper(),
            expected)
            << request;
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
        SimHarness h(ecuWith(refused ? R"("storedCodes": ["0300"], "permanentCodes": ["0420"],
                                          "clearRefused": true)"
                                     : R"("storedCodes": ["0300"], "permanentCodes": ["0420"])"));
        h.simulator->setReachable(reachable);
        if (fault)
            h.simulator->injectFault(*fault, 1, "04");
        EXPECT_EQ(h.ask("040406"), reply);
        h.simulator->setReachable(true);
        const QByteArray after = h.ask("030A0A").mid(9, 4) + h.ask("02020A").mid(13, 4) +
                                 h.ask("010109").mid(11, 2) + h.ask("0A0A0A").mid(9, 4);
        // Permanent codes outlive any clear.
        EXPECT_EQ(after, cleared ? "00000000000420" : "03000300810420") << reply.data();
    }
}

} // namespace
