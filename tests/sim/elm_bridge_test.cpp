// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/elm_bridge.h"
#include "sim_harness.h"
#include "support/qt_printers.h"
#include "support/scripted_elm_adapter.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using Kind = scan::elm::ElmAnswer::Kind;

// A bridge to a scripted adapter; its first support request is answered on the first flush.
struct Bridge {
    explicit Bridge(const QByteArray& protocol) {
        auto owned = std::make_unique<ScriptedElmAdapter>();
        adapter = owned.get();
        adapter->protocolNumber = QString::fromLatin1(protocol);
        bridge = std::make_unique<sim::ElmBridge>(std::move(owned), 'V');
    }
    QByteArray ask(const char* command) {
        QByteArray reply = "(none)";
        bridge->answer(*sim::parseCommand(command), 0, [&](const QByteArray& r) { reply = r; });
        adapter->flush();
        return reply;
    }
    ScriptedElmAdapter* adapter;
    std::unique_ptr<sim::ElmBridge> bridge;
};

// The box's frame: leading character, the header with the ECU, the bytes padded to the length.
QByteArray boxFrame(quint8 ecu, const QByteArray& hex, int length) {
    const QByteArray bytes = (QByteArray("\x48\x6B", 2) + char(ecu) + QByteArray::fromHex(hex))
                                 .leftJustified(length, '\0', true);
    return sim::frame('V', bytes);
}

struct Row {
    const char* name;
    const char* protocol; // as ATDPN gives it
    const char* elmCommand;
    const char* lines; // "|" between lines; numbered lines come without headers
    const char* boxCommand;
    QByteArray expected;
};

TEST(ElmBridgeTest, TranslatesEachAnswerFormIntoTheBoxFrames) {
    const Row rows[] = {
        {"CAN 11-bit, ECU from the response id", "A6", "010C", "7E8 04 41 0C 1A F8", "010C06",
         boxFrame(0xE8, "410C1AF8", 6)},
        {"non-CAN with its checksum", "3", "010C", "48 6B 10 41 0C 1A F8 22", "010C06",
         boxFrame(0x10, "410C1AF8", 6)},
        {"a flipped byte fails the checksum", "3", "0101", "48 6B 10 41 01 01 07 65 00 F2",
         "010109", sim::damagedFrame('V', 9)},
        {"a damaged answer to service $05 is no answer, not unsupported", "6", "050101",
         "7E8 04 45 01 01", "050101", sim::damagedFrame('V', 6)},
        {"freeze frame", "6", "020C00", "7E8 05 42 0C 00 1A F8", "020C07",
         boxFrame(0xE8, "420C001AF8", 7)},
        {"NO DATA to a PID is no answer", "6", "010D", "", "010D05", sim::unansweredFrame('V', 5)},
        {"NO DATA to service $05 is a refusal", "6", "050101", "", "050101",
         boxFrame(0xE8, "7F0512", 6)},
        {"negative answer to a clear", "6", "04", "7E8 03 7F 04 22", "040404",
         boxFrame(0xE8, "7F0422", 4)},
        {"seven CAN codes in frames of three, none lost", "6", "03",
         "7E8 10 10 43 07 01 01 01 02|7E8 21 01 03 01 04 01 05 01|7E8 22 06 01 07 00 00", "030A0A",
         boxFrame(0xE8, "43010101020103", 10) + boxFrame(0xE8, "43010401050106", 10) +
             boxFrame(0xE8, "430107", 10)},
        {"four non-CAN codes over two lines, one repeated", "3", "03",
         "48 6B 10 43 01 01 01 02 01 03 0F|48 6B 10 43 01 04 00 00 00 00 0B|"
         "48 6B 10 43 01 01 01 02 01 03 0F",
         "030A0A", boxFrame(0x10, "43010101020103", 10) + boxFrame(0x10, "430104", 10)},
        {"a damaged code frame leaves the list unknown", "3", "03",
         "48 6B 10 43 01 01 01 02 01 03 0F|48 6B 10 43 01 04 00 00 00 00 0C", "030A0A",
         sim::damagedFrame('V', 10)},
        {"a CAN code message repeated lists each code once", "6", "03",
         "7E8 06 43 02 01 01 01 02|7E8 06 43 02 01 01 01 02", "030A0A",
         boxFrame(0xE8, "4301010102", 10)},
        {"numbered lines without headers", "6", "07",
         "00A|0: 47 04 01 01 01 02|1: 01 03 01 04 00 00 00", "070A0A",
         boxFrame(0, "47010101020103", 10) + boxFrame(0, "470104", 10)},
    };
    for (const Row& row : rows) {
        Bridge b(row.protocol);
        const QString lines = QString::fromLatin1(row.lines);
        b.adapter->headers = !lines.contains(':');
        if (!lines.isEmpty())
            b.adapter->script(row.elmCommand, lines.split('|'));
        b.adapter->script("0100",
                          {b.adapter->headers ? "7E8 06 41 00 BE 1F A8 13" : "41 00 BE 1F A8 13"});
        b.bridge->start();
        EXPECT_EQ(b.ask(row.boxCommand), row.expected) << row.name;
    }
}

TEST(ElmBridgeTest, FirmwareIsTheIdentityAndEcuSwitchCyclesThroughTheAnsweringEcus) {
    Bridge b("6");
    b.adapter->script("0100", {"7E9 06 41 00 80 00 00 01", "7E8 06 41 00 BE 1F A8"});
    b.bridge->start();
    EXPECT_EQ(b.ask("900101"), "VELM327 v1.5");
    b.adapter->answers["0100"] = {Kind::TimedOut, {}};
    EXPECT_EQ(b.ask("010006"), sim::damagedFrame('V', 6)) << "no answer, not the ECU's silence";
    b.adapter->script("010C", {"7E8 04 41 0C 1A F8", "7E9 04 41 0C 00 10"});
    EXPECT_EQ(b.ask("010C06"), boxFrame(0xE8, "410C1AF8", 6))
        << "neither a cut nor a missing support answer makes the transmission the car";
    b.adapter->script("0100", {"7E9 06 41 00 80 00 00 01", "7E8 06 41 00 BE 1F A8 13"});
    EXPECT_EQ(b.ask("010006"), boxFrame(0xE8, "4100BE1FA813", 6));
    EXPECT_EQ(b.ask("800204"), "VE900");
    EXPECT_EQ(b.adapter->sent.mid(b.adapter->sent.size() - 2),
              QStringList({"ATSH7E1", "ATCRA7E9"}));
    EXPECT_EQ(b.ask("010C06"), boxFrame(0xE9, "410C0010", 6));
    EXPECT_EQ(b.ask("800204"), "VE800") << "wraps round";
    EXPECT_FALSE(b.adapter->sent.contains("ATDPN")) << "the adapter link asked it once";

    b.adapter->answers["010C"] = {Kind::UnableToConnect, {}};
    EXPECT_EQ(b.ask("010C06"), sim::unansweredFrame('V', 6));
    EXPECT_FALSE(b.bridge->reachable()) << "the box says P: no vehicle (ignition off?)";
}

TEST(ElmBridgeTest, AFirstSearchWithoutItsPromptIsTriedAgain) {
    Bridge b("6");
    b.adapter->answers["0100"] = {Kind::TimedOut, {}};
    b.bridge->start();
    b.adapter->flush();
    EXPECT_TRUE(b.bridge->awake());
    EXPECT_FALSE(b.bridge->reachable());
    b.adapter->script("0100", {"7E8 06 41 00 BE 1F A8 13"});
    b.adapter->answerOnItsOwn = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return b.bridge->reachable(); }, 3000));
    EXPECT_EQ(b.bridge->currentEcuAddress(), 0xE8);
}

TEST(ElmBridgeTest, BoxStaysQuietWhileTheAdapterAnswersAndGivesUpOnSilence) {
    auto owned = std::make_unique<ScriptedElmAdapter>();
    ScriptedElmAdapter* adapter = owned.get();
    adapter->script("010C", {"7E8 04 41 0C 1A F8"});
    auto bridge = std::make_unique<sim::ElmBridge>(std::move(owned), 'V');
    bridge->start();
    qint64 now = 0;
    QByteArray sent;
    sim::ScanToolSimulator box(
        std::move(bridge), sim::Profile::defaults(), nullptr, [&now] { return now; }, 1000);
    QObject::connect(&box, &sim::ScanToolSimulator::transmit,
                     [&sent](const QByteArray& bytes) { sent += bytes; });
    box.receive("010C06");
    now += 500;
    box.poll();
    EXPECT_EQ(sent, "") << "no markers while the adapter is asked";
    adapter->flush();
    EXPECT_EQ(sent, boxFrame(0xE8, "410C1AF8", 6));
    sent.clear();
    box.receive("010D05"); // never answered
    now += 1000;
    box.poll();
    EXPECT_EQ(sent, sim::damagedFrame('V', 5)) << "late is no answer, not the ECU's silence";
    adapter->flush(); // too late: dropped
    now += 20;
    box.poll();
    EXPECT_TRUE(sent.endsWith('S')) << "markers again";
}

} // namespace
