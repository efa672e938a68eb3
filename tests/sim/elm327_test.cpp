#include "link/elm/adapter_link.h"
#include "sim/elm327_server.h"
#include "sim/elm327_simulator.h"
#include "support/qt_printers.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace std::chrono_literals;
using scan::elm::AdapterLink;
using scan::elm::ElmAnswer;
using Kind = ElmAnswer::Kind;

// A simulated adapter served on a pseudo-terminal (or TCP), and the program's link to it.
struct Bench {
    sim::Elm327Simulator adapter;
    sim::Elm327Server server{adapter};
    std::unique_ptr<AdapterLink> link;

    Bench() : adapter(sim::Profile::defaults(), sim::ElmProtocol::Can11) {}

    explicit Bench(sim::ElmProtocol protocol, sim::ElmFaults faults = {}, qint32 baud = 38400,
                   bool tcp = false)
        : adapter(sim::Profile::defaults(), protocol, baud, faults) {
        QString error;
        EXPECT_TRUE(tcp ? server.listenTcp(0, &error) : server.openPty(&error))
            << error.toStdString();
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
    EXPECT_EQ(bench.ask("0902").kind, Kind::NoData);
}

TEST(Elm327Test, FindsTheAdaptersBaudRate) {
    Bench bench(sim::ElmProtocol::Can11, {}, 9600);
    ASSERT_TRUE(bench.start());
    EXPECT_EQ(bench.link->baudRate(), 9600);
    EXPECT_TRUE(bench.link->headersOn());
}

TEST(Elm327Test, NextCommandWorksAfterAHangOrASilence) {
    sim::ElmFaults faults;
    faults.hang = true;
    faults.silenceAfter = 0;
    Bench bench(sim::ElmProtocol::Can29, faults);
    ASSERT_TRUE(bench.start());
    EXPECT_EQ(bench.ask("ATMA").kind, Kind::TimedOut);
    EXPECT_EQ(bench.ask("0100").kind, Kind::TimedOut);
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

TEST(Elm327Test, WorksOverTcpWithEveryEcusAnswer) {
    Bench bench(sim::ElmProtocol::Can11, {}, 38400, true);
    ASSERT_TRUE(bench.start());
    EXPECT_EQ(bench.link->baudRate(), 0);
    const ElmAnswer codes = bench.ask("03");
    ASSERT_EQ(codes.kind, Kind::Lines);
    EXPECT_EQ(codes.lines,
              QStringList({"7E8 06 43 02 03 00 01 71", "7E9 04 43 01 C1 23", "7EA 02 43 00"}));
}

TEST(Elm327Test, VamrickSimServesTheChosenProtocol) {
    QProcess tool;
    tool.start(VAMRICK_SIM_EXE, {"--elm327", "--protocol", "kwp", "--tcp", "0"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return tool.canReadLine(); }, 5000));
    const QString device = QString::fromLocal8Bit(tool.readLine()).trimmed();
    ASSERT_TRUE(device.startsWith("tcp:127.0.0.1:")) << device.toStdString();
    Bench bench;
    bench.link = std::make_unique<AdapterLink>(device);
    ASSERT_TRUE(bench.start());
    EXPECT_EQ(bench.ask("ATDPN").lines, QStringList{"0"});
    EXPECT_EQ(bench.ask("010D").lines,
              QStringList({"83 F1 10 41 0D 00 D2", "83 F1 18 41 0D 00 DA"}));
    EXPECT_EQ(bench.ask("ATDPN").lines, QStringList{"A5"});
    tool.terminate();
    EXPECT_TRUE(tool.waitForFinished(5000));
}

} // namespace
