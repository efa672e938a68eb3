#include "sim_harness.h"
#include "support/qt_printers.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using sim::Fault;

// One ECU with a monitor status of its own (A = $85) and a freeze frame, plus the given keys.
sim::Profile ecuWith(const QByteArray& keys, const QByteArray& pids = R"("01": [133, 7, 229, 5])") {
    return profileFrom(R"({"ecus": [{"address": "10", "pids": {)" + pids +
                       R"(}, "freezeFrame": {"02": [3, 0], "05": [150]})" +
                       (keys.isEmpty() ? "" : ", " + keys) + "}]}");
}

// The three DTC fields, reply positions 10-21.
QString fields(const QString& reply) {
    return reply.mid(9, 12);
}

// Byte A of the monitor status (PID $01), reply positions 12-13.
QString monitorStatus(sim::Vehicle& vehicle) {
    return ask(vehicle, "010109").mid(11, 2);
}

TEST(SimTroubleCodeTest, StoredAndPendingRepliesCarryTheFirstThreeCodesAsSent) {
    const std::pair<const char*, const char*> cases[] = {
        {"[]", "000000000000"},
        {R"(["0300"])", "030000000000"},
        {R"(["c123", "8123", "0171"])", "C12381230171"},
        {R"(["0300", "4123", "0171", "0420"])", "030041230171"},
    };
    for (const auto& [codes, expected] : cases) {
        sim::Vehicle vehicle(
            ecuWith(QByteArray(R"("storedCodes": )") + codes + R"(, "pendingCodes": )" + codes));
        for (const char* request : {"030A0A", "070A0A"}) {
            const QString reply = ask(vehicle, request);
            EXPECT_EQ(reply.size(), 23) << request << " " << codes;
            EXPECT_EQ(reply.left(7), "V486B10");
            EXPECT_EQ(reply.mid(7, 2), request[1] == '3' ? "43" : "47");
            EXPECT_EQ(fields(reply), expected) << request << " " << codes;
            EXPECT_TRUE(checksumHolds(reply)) << reply.toStdString();
        }
    }
    sim::Vehicle one(ecuWith(R"("storedCodes": ["0300"])"));
    EXPECT_EQ(ask(one, "030A0A"), "V486B104303000000000009");
}

TEST(SimTroubleCodeTest, AnEcuWithoutPidsAnswersTheFrameMapWhateverItsAddress) {
    sim::Vehicle vehicle(profileFrom(R"({"ecus": [{"address": "28", "storedCodes": ["0300"]}]})"));
    EXPECT_EQ(ask(vehicle, "02000A").mid(13, 8), "00000000");
    EXPECT_EQ(ask(vehicle, "02020A").at(1), 'S');

    // An ECU at D0 that does give OBD data has its freeze frame like any other.
    sim::Vehicle d0(profileFrom(R"({"ecus": [{"address": "D0", "pids": {"05": [130]},
                                               "freezeFrame": {"02": [1, 35]}}]})"));
    EXPECT_EQ(ask(d0, "02020A").mid(13, 4), "0123");
}

TEST(SimMilTest, MonitorStatusByteAFollowsTheMilAndTheStoredCodes) {
    QByteArray many = R"("storedCodes": [)";
    for (int i = 0; i < 130; ++i)
        many += (i ? ", " : "") + QByteArray(R"("0300")");
    many += "]";
    const std::pair<QByteArray, const char*> cases[] = {
        {R"("storedCodes": ["0300", "0171"])", "82"},
        {R"("storedCodes": [])", "00"},
        {R"("storedCodes": ["0300", "0171", "0420"], "mil": false)", "03"},
        {R"("mil": true)", "80"},
        {many, "FF"},                          // the count has seven bits
        {R"("pendingCodes": ["0420"])", "85"}, // neither key: the profile's byte stands
    };
    for (const auto& [keys, expected] : cases) {
        sim::Vehicle vehicle(ecuWith(keys));
        const QString reply = ask(vehicle, "010109");
        EXPECT_EQ(reply.mid(11, 2), expected) << keys.constData();
        EXPECT_EQ(reply.mid(13, 6), "07E505") << keys.constData();
        EXPECT_TRUE(checksumHolds(reply));
    }

    // Without PID $01 nothing is made up; an empty $01 still gets its byte A.
    sim::Vehicle without(ecuWith(R"("storedCodes": ["0300"])", R"("0C": [26, 248])"));
    EXPECT_EQ(ask(without, "010109").at(1), 'S');
    EXPECT_EQ(ask(without, "010009").mid(11, 2), "00");
    sim::Vehicle empty(ecuWith(R"("storedCodes": ["0300"])", R"("01": [])"));
    EXPECT_EQ(ask(empty, "010109").mid(11, 8), "81000000");
}

TEST(SimClearTest, ClearEmptiesCodesAndFreezeFrameAndTurnsTheMilOffOnThatEcuOnly) {
    sim::Vehicle vehicle(profileFrom(R"({"ecus": [
        {"address": "10", "pids": {"01": [130, 7, 229, 5], "05": [130]},
         "freezeFrame": {"02": [3, 0], "05": [150]},
         "storedCodes": ["0300", "0171"], "pendingCodes": ["0420"]},
        {"address": "18", "pids": {"05": [128]}, "storedCodes": ["0301"]}]})"));
    EXPECT_EQ(ask(vehicle, "040404"), "V486B104407");
    EXPECT_EQ(fields(ask(vehicle, "030A0A")), "000000000000");
    EXPECT_EQ(fields(ask(vehicle, "070A0A")), "000000000000");
    EXPECT_EQ(ask(vehicle, "010109").mid(11, 8), "0007E505");
    EXPECT_EQ(ask(vehicle, "02020A").mid(13, 4), "0000");
    EXPECT_EQ(ask(vehicle, "02000A").mid(13, 8), "40000000");
    EXPECT_EQ(ask(vehicle, "02050A").at(1), 'S');
    EXPECT_EQ(ask(vehicle, "040404"), "V486B104407"); // again: nothing left, still positive

    ask(vehicle, "800204");
    EXPECT_EQ(fields(ask(vehicle, "030A0A")), "030100000000");
}

TEST(SimClearTest, RefusedOrUnansweredClearLeavesEverythingAsItWas) {
    sim::Vehicle refused(ecuWith(R"("storedCodes": ["0300"], "clearRefused": true)"));
    EXPECT_EQ(ask(refused, "040404"), "V486B107F42");
    EXPECT_EQ(fields(ask(refused, "030A0A")), "030000000000");
    EXPECT_EQ(monitorStatus(refused), "81");
    EXPECT_EQ(ask(refused, "02020A").mid(13, 4), "0300");

    sim::Vehicle unreachable(ecuWith(R"("storedCodes": ["0300"])"));
    unreachable.setReachable(false);
    ask(unreachable, "040404");
    unreachable.setReachable(true);
    EXPECT_EQ(fields(ask(unreachable, "030A0A")), "030000000000");
    EXPECT_EQ(ask(unreachable, "02020A").mid(13, 4), "0300");
}

TEST(SimTroubleCodeFaultTest, AClearIsDoneOnlyWhenTheEcuGotToAnswerIt) {
    auto storedAfter = [](Fault fault) {
        SimHarness h(ecuWith(R"("storedCodes": ["0300"])"));
        h.simulator->injectFault(fault, 1, "04");
        const QByteArray reply = h.ask("040404");
        return std::pair{reply, fields(QString::fromLatin1(h.ask("030A0A")))};
    };
    const auto [timedOut, afterTimeout] = storedAfter(Fault::EcuTimeout);
    EXPECT_EQ(timedOut, "VS" + QByteArray(9, '0'));
    EXPECT_EQ(afterTimeout, "030000000000");

    const auto [silent, afterSilence] = storedAfter(Fault::Silence);
    EXPECT_EQ(silent, "");
    EXPECT_EQ(afterSilence, "030000000000");

    // The ECU cleared; only its reply was spoilt on the way.
    const auto [garbled, afterGarbage] = storedAfter(Fault::Garbage);
    EXPECT_EQ(garbled.size(), 11);
    EXPECT_EQ(afterGarbage, "000000000000");
    const auto [shifted, afterExtraS] = storedAfter(Fault::ExtraLeadingS);
    EXPECT_EQ(shifted, "SV486B104407");
    EXPECT_EQ(afterExtraS, "000000000000");
}

} // namespace
