// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/elm/adapter_link.h"
#include "sim/device_server.h"
#include "sim/elm327_simulator.h"
#include "support/qt_printers.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace std::chrono_literals;
using scan::elm::AdapterLink;
using scan::elm::ElmAnswer;
using Kind = ElmAnswer::Kind;

// A simulated adapter served on a pseudo-terminal, and the program's link to it.
struct Bench {
    sim::Elm327Simulator adapter;
    sim::DeviceServer server{adapter};
    std::unique_ptr<AdapterLink> link;

    explicit Bench(sim::ElmProtocol protocol, sim::ElmFaults faults = {}, qint32 baud = 38400)
        : adapter(sim::Profile::defaults(), protocol, baud, std::move(faults)) {
        QString error;
        EXPECT_TRUE(server.openPty(38400, &error)) << error.toStdString();
        link = std::make_unique<AdapterLink>(server.device(),
                                             scan::elm::AdapterOptions{38400, 600ms, 800ms});
    }

    bool start() {
        QSignalSpy ready(link.get(), &AdapterLink::ready);
        link->start();
        return QTest::qWaitFor([&] { return ready.count() == 1; }, 8000);
    }

    ElmAnswer ask(const QByteArray& command) {
        std::optional<ElmAnswer> answer;
        link->send(command, [&](const ElmAnswer& a) { answer = a; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 5000))
            << command.toStdString();
        return answer.value_or(ElmAnswer{});
    }
};

// What the adapter prints for `command`, up to its prompt.
QByteArray say(sim::Elm327Simulator& adapter, const QByteArray& command) {
    QByteArray out;
    const auto c = QObject::connect(&adapter, &sim::Elm327Simulator::transmit,
                                    [&](const QByteArray& bytes) { out += bytes; });
    adapter.receive(command + '\r');
    EXPECT_TRUE(QTest::qWaitFor([&] { return out.endsWith('>'); }, 3000)) << command.data();
    QObject::disconnect(c);
    return out.chopped(3); // the blank line and the prompt
}

TEST(Elm327Test, AnswersEachServiceInTheFormOfItsBus) {
    // Seven stored codes, a refused clear and a monitor at 10; no codes at 18, whose VIN loses a
    // frame.
    const auto profile = sim::Profile::fromJson(R"({"ecus": [
        {"address": "10", "pids": {"05": [130], "0C": [26, 248], "0F": [60], "1F": [2, 88],
         "21": [0, 5]}, "clearRefused": true,
         "storedCodes": ["0300", "0171", "0172", "0173", "0174", "0175", "0176"],
         "vin": "1FTFW1ET5DFC10312", "obdMonitors": {"01": [
           {"tid": "01", "unit": "0B", "value": 551, "min": 0, "max": 1100}]}},
        {"address": "18", "pids": {"0D": [0]}, "vin": "1FTFW1ET5DFC10312", "vinFrameMissing": true}]})");
    ASSERT_TRUE(profile);
    struct Row {
        sim::ElmProtocol protocol;
        std::vector<QByteArray> before;
        QByteArray command;
        QByteArray text;
    };
    using P = sim::ElmProtocol;
    const std::vector<Row> rows = {
        {P::Can29,
         {"ATH0", "ATS0"},
         "03",
         "010\r0:430703000171\r1:01720173017401\r2:75017600000000\r4300"},
        {P::J1850,
         {},
         "03",
         "48 6B 10 43 03 00 01 71 01 72 0F\r48 6B 10 43 01 73 01 74 01 75 57\r"
         "48 6B 10 43 01 76 00 00 00 00 27\r48 6B 18 43 00 00 00 00 00 00 72"},
        {P::Can11,
         {},
         "0902",
         "7E8 10 14 49 02 01 31 46 54\r7E8 21 46 57 31 45 54 35 44\r7E8 22 46 43 31 30 33 31 32\r"
         "7E9 10 14 49 02 01 31 46 54\r7E9 21 46 57 31 45 54 35 44"},
        {P::Iso9141,
         {"ATH0"},
         "0902",
         "49 02 01 00 00 00 31\r49 02 02 46 54 46 57\r49 02 03 31 45 54 35\r49 02 04 44 46 43 31\r"
         "49 02 05 30 33 31 32\r49 02 01 00 00 00 31\r49 02 02 46 54 46 57\r49 02 04 44 46 43 31\r"
         "49 02 05 30 33 31 32"},
        {P::Can11, {}, "0601", "7E8 10 0A 46 01 01 0B 02 27\r7E8 21 00 00 04 4C 00 00 00"},
        {P::Can11, {}, "04", "7E8 03 7F 04 22\r7E9 01 44"},
        {P::Can11, {"ATSH7E1"}, "03", "7E9 02 43 00"},
        {P::Can11, {"ATCRA7E8"}, "0100", "7E8 06 41 00 08 12 00 03"},
        // Each ECU answers the PIDs it has, in frames when they are more than one holds.
        {P::Can11,
         {},
         "0105210C1F0F0D",
         "7E8 10 0E 41 05 82 21 00 05\r7E8 21 0C 1A F8 1F 02 58 0F\r7E8 22 3C 00 00 00 00 00 00\r"
         "7E9 03 41 0D 00"},
        {P::Can11, {}, "01331E", "NO DATA"},
        {P::J1850, {}, "010C0D", "NO DATA"},
        {P::Can29, {"ATCRA18DAF118", "ATAR"}, "010D", "18 DA F1 18 03 41 0D 00"},
    };
    for (const Row& row : rows) {
        sim::Elm327Simulator adapter(*profile, row.protocol);
        for (const QByteArray& command : std::vector<QByteArray>{"ATE0", "ATH1", "0100"})
            say(adapter, command);
        for (const QByteArray& command : row.before)
            say(adapter, command);
        EXPECT_EQ(say(adapter, row.command), row.text) << row.command.data();
    }
    // A captured ECU keeps its response id on 11-bit CAN and is reached at its own request id.
    const auto captured = sim::Profile::fromJson(R"({"ecus": [
        {"address": "E8", "pids": {"0D": [0]}}, {"address": "EA", "pids": {"0D": [9]}}]})");
    sim::Elm327Simulator gap(*captured, P::Can11);
    for (const QByteArray& command : std::vector<QByteArray>{"ATE0", "ATH1", "0100"})
        say(gap, command);
    EXPECT_EQ(say(gap, "010D"), "7E8 03 41 0D 00\r7EA 03 41 0D 09");
    say(gap, "ATSH7E2");
    EXPECT_EQ(say(gap, "010D"), "7EA 03 41 0D 09");
    say(gap, "ATSH7E1");
    EXPECT_EQ(say(gap, "010D"), "NO DATA");
    sim::Profile off = *profile;
    off.reachable = false;
    sim::Elm327Simulator ignitionOff(off, P::Can11);
    EXPECT_EQ(say(ignitionOff, "0100"), "0100\rSEARCHING...\rUNABLE TO CONNECT");
}

TEST(Elm327Test, SurvivesACloneThatRefusesHeadersAndMisbehaves) {
    sim::ElmFaults clone;
    clone.clone = clone.noise = clone.splitPrompt = clone.crlf = true;
    Bench bench(sim::ElmProtocol::Iso9141, clone);
    ASSERT_TRUE(bench.start());
    EXPECT_FALSE(bench.link->headersOn());
    EXPECT_EQ(bench.link->identity(), "ELM327 v1.5");
    const ElmAnswer speed = bench.ask("010C");
    EXPECT_EQ(speed.kind, Kind::Lines);
    EXPECT_EQ(speed.lines.size(), 2); // two ECUs know the engine speed
    EXPECT_TRUE(speed.lines.value(0).startsWith("41 0C "));
    EXPECT_EQ(bench.ask("0908").kind, Kind::NoData);
}

TEST(Elm327Test, FindsTheAdaptersBaudRateAndItsProtocolBeforeTheFirstAnswerIsHandedOn) {
    Bench bench(sim::ElmProtocol::Can11, {}, 9600);
    ASSERT_TRUE(bench.start());
    EXPECT_EQ(bench.link->baudRate(), 9600);
    EXPECT_TRUE(bench.link->headersOn());
    EXPECT_EQ(bench.ask("0100").kind, Kind::Lines);
    EXPECT_EQ(bench.link->protocol(), "6");
}

TEST(Elm327Test, AnAdapterSilentAtEverySpeedIsResetOnceAtEachAndGivenUp) {
    Bench bench(sim::ElmProtocol::Can11, {}, 57600);
    QList<qint32> speeds; // each speed the adapter was spoken to at, in turn
    bench.adapter.setLineSpeed([&] {
        const qint32 speed = bench.server.lineSpeed();
        if (speeds.isEmpty() || speeds.back() != speed)
            speeds << speed;
        return speed;
    });
    QSignalSpy failed(bench.link.get(), &AdapterLink::failed);
    bench.link->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return failed.count() == 1; }, 8000));
    EXPECT_EQ(speeds, (QList<qint32>{38400, 9600, 115200}));
    EXPECT_EQ(failed.front().front().toString(),
              bench.server.device() +
                  ": no answer from the adapter (tried 38400, 9600, 115200 baud)");
}

TEST(Elm327Test, NextCommandWorksAfterAHangOrASilence) {
    sim::ElmFaults faults;
    faults.hang = true;
    faults.silenceAfter = 0;
    Bench bench(sim::ElmProtocol::Can29, faults);
    ASSERT_TRUE(bench.start());
    // Each next command is sent from the answer's callback, as a caller chaining requests does.
    std::vector<Kind> kinds;
    std::function<void(const ElmAnswer&)> next = [&](const ElmAnswer& a) {
        kinds.push_back(a.kind);
        if (kinds.size() == 1)
            bench.link->send("0100", next);
    };
    bench.link->send("ATMA", next);
    ASSERT_TRUE(QTest::qWaitFor([&] { return kinds.size() == 2; }, 5000));
    EXPECT_EQ(kinds, std::vector<Kind>({Kind::TimedOut, Kind::TimedOut}));
    const ElmAnswer speed = bench.ask("010C");
    ASSERT_EQ(speed.kind, Kind::Lines);
    EXPECT_EQ(speed.lines.value(0), "18 DA F1 10 04 41 0C 0B B8");
}

TEST(Elm327Test, AnUnpluggedAdapterEndsTheCommandsAsLost) {
    sim::ElmFaults faults;
    faults.unplugAfter = 1;
    Bench bench(sim::ElmProtocol::Can11, faults);
    ASSERT_TRUE(bench.start());
    QSignalSpy lost(bench.link.get(), &AdapterLink::lost);
    EXPECT_EQ(bench.ask("0100").kind, Kind::Lines);
    std::optional<ElmAnswer> queued;
    bench.link->send("03", [&](const ElmAnswer& a) { queued = a; });
    EXPECT_EQ(bench.ask("010C").kind, Kind::Lost);
    EXPECT_EQ(queued->kind, Kind::Lost);
    EXPECT_EQ(lost.count(), 1);
}

} // namespace
