// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/elm/elm_driver.h"
#include "link/elm/elm_port.h"
#include "link/in_process_transport.h"
#include "support/qt_printers.h"
#include "support/recording_link_view.h"
#include "support/scripted_elm_adapter.h"
#include "support/scripted_prompter.h"

#include <QTimer>

#include <gtest/gtest.h>

namespace {

using Kind = scan::elm::ElmAnswer::Kind;
using Status = scan::AnswerStatus;
using namespace std::chrono_literals;

// The driver on a scripted adapter, started: its first support request is answered as scripted.
struct Driven {
    explicit Driven(const char* protocol,
                    const QStringList& support = {"7E8 06 41 00 BE 1F A8 13"}) {
        auto owned = std::make_unique<ScriptedElmAdapter>();
        adapter = owned.get();
        adapter->answerOnItsOwn = true;
        adapter->protocolNumber = QString::fromLatin1(protocol);
        adapter->script("0100", support);
        port = std::make_unique<scan::elm::ElmPort>(std::move(owned),
                                                    std::make_unique<scan::InProcessTransport>());
        QString error;
        port->open(error);
        link.setTransport(port.get(), "Com1");
    }
    scan::Driver::Start start() { return driver.start(3s); }
    // The status, the first ECU's address and its bytes in hex.
    QString ask(quint8 service, const QByteArray& parameters, int answerBytes) {
        const scan::ObdAnswer answer = driver.ask({service, parameters, answerBytes, {}});
        QString shown = QString::number(int(answer.status()));
        if (!answer.ecus().isEmpty())
            shown += ' ' + answer.ecu() + ' ' + answer.ecus().front().data.toHex().toUpper();
        return shown;
    }

    scan::LinkState state;
    RecordingLinkView view;
    ScriptedPrompter prompter;
    scan::ScanToolLink link{state, view, prompter};
    scan::elm::ElmDriver driver{link, view};
    ScriptedElmAdapter* adapter;
    std::unique_ptr<scan::elm::ElmPort> port;
};

QString answered(const char* ecu, const char* hex) {
    return QString::number(int(Status::Answered)) + ' ' + ecu + ' ' + hex;
}
QString status(Status s) {
    return QString::number(int(s));
}

TEST(ElmDriverTest, EachAnswerFormBecomesTheCurrentEcusBytes) {
    struct Row {
        const char* name;
        const char* protocol; // as ATDPN gives it
        const char* elmCommand;
        const char* lines; // "|" between lines; numbered lines come without headers
        quint8 service;
        QByteArray parameters;
        int answerBytes;
        QString expected;
    };
    const Row rows[] = {
        {"CAN 11-bit, ECU from the response id", "A6", "010C", "7E8 04 41 0C 1A F8", 0x01, "\x0C",
         3, answered("E8", "410C1AF8")},
        {"non-CAN with its checksum", "3", "010C", "48 6B 10 41 0C 1A F8 22", 0x01, "\x0C", 3,
         answered("10", "410C1AF8")},
        {"a flipped byte fails the checksum", "3", "0101", "48 6B 10 41 01 01 07 65 00 F2", 0x01,
         "\x01", 5, status(Status::Garbled)},
        {"a damaged answer to service $05 is no answer, not unsupported", "6", "050101",
         "7E8 04 45 01 01", 0x05, "\x01\x01", 2, status(Status::Garbled)},
        {"freeze frame, frame 0 asked", "6", "020C00", "7E8 05 42 0C 00 1A F8", 0x02, "\x0C", 4,
         answered("E8", "420C001AF8")},
        {"NO DATA to a PID: the ECU did not answer", "6", "010D", "", 0x01, "\x0D", 2,
         status(Status::EcuTimeout)},
        {"NO DATA to service $05: a test not offered", "6", "050101", "", 0x05,
         QByteArray("\x01\x01", 2), 2, status(Status::Refused)},
        {"a negative answer to a clear", "6", "04", "7E8 03 7F 04 22", 0x04, "", 0,
         status(Status::Refused)},
        {"seven CAN codes, none lost, in threes", "6", "03",
         "7E8 10 10 43 07 01 01 01 02|7E8 21 01 03 01 04 01 05 01|7E8 22 06 01 07 00 00", 0x03, "",
         6, answered("E8", "43010101020103010401050106010700000000")},
        {"non-CAN codes over two lines, one repeated", "3", "03",
         "48 6B 10 43 01 01 01 02 01 03 0F|48 6B 10 43 01 04 00 00 00 00 0B|"
         "48 6B 10 43 01 01 01 02 01 03 0F",
         0x03, "", 6, answered("10", "43010101020103010400000000")},
        {"a damaged code line leaves the list unknown", "3", "03",
         "48 6B 10 43 01 01 01 02 01 03 0F|48 6B 10 43 01 04 00 00 00 00 0C", 0x03, "", 6,
         status(Status::Garbled)},
        {"numbered lines without headers", "6", "07",
         "00A|0: 47 04 01 01 01 02|1: 01 03 01 04 00 00 00", 0x07, "", 6,
         answered("00", "47010101020103010400000000")},
        {"an O2 test value without the sensor", "3", "050101", "48 6B 10 45 01 01 73 7D", 0x05,
         QByteArray("\x01\x01", 2), 2, answered("10", "450173")},
        {"a VIN in a first and two consecutive frames", "6", "0902",
         "7E8 10 14 49 02 01 31 46 54|7E8 21 46 57 31 45 54 35 44|7E8 22 46 43 31 30 33 31 32",
         0x09, "\x02", 19, answered("E8", "4902013146544657314554354446433130333132")},
        {"a VIN missing a consecutive frame", "6", "0902",
         "7E8 10 14 49 02 01 31 46 54|7E8 22 46 43 31 30 33 31 32", 0x09, "\x02", 19,
         status(Status::Garbled)},
        {"a VIN in five numbered messages, joined in their order", "3", "0902",
         "48 6B 10 49 02 02 46 54 46 57 47|48 6B 10 49 02 01 00 00 00 31 40|"
         "48 6B 10 49 02 03 31 45 54 35 10|48 6B 10 49 02 04 44 46 43 31 10|"
         "48 6B 10 49 02 05 30 33 31 32 D9",
         0x09, "\x02", 19, answered("10", "49020000003146544657314554354446433130333132")},
        {"a numbered message missing", "3", "0902",
         "48 6B 10 49 02 01 00 00 00 31 40|48 6B 10 49 02 02 46 54 46 57 47|"
         "48 6B 10 49 02 04 44 46 43 31 10|48 6B 10 49 02 05 30 33 31 32 D9",
         0x09, "\x02", 19, status(Status::Garbled)},
        {"a permanent code", "6", "0A", "7E8 04 4A 01 04 20", 0x0A, "", 6,
         answered("E8", "4A042000000000")},
        {"a monitor's two test records on CAN, in three frames", "6", "0601",
         "7E8 10 13 46 01 01 0B 02 27|7E8 21 00 00 04 4C 01 8E 0B|7E8 22 02 27 00 A9 4D BA 00",
         0x06, "\x01", 0, answered("E8", "4601010B02270000044C018E0B022700A94DBA")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString lines = QString::fromLatin1(row.lines);
        const bool headers = !lines.contains(':');
        const bool can = QByteArray(row.protocol).endsWith('6');
        Driven d(row.protocol, {!headers ? "41 00 BE 1F A8 13"
                                : can    ? "7E8 06 41 00 BE 1F A8 13"
                                         : "48 6B 10 41 00 BE 1F A8 13 C5"});
        d.adapter->headers = headers;
        if (!lines.isEmpty())
            d.adapter->script(row.elmCommand, lines.split('|'));
        ASSERT_TRUE(d.start().reached);
        EXPECT_EQ(d.ask(row.service, row.parameters, row.answerBytes), row.expected);
    }
}

TEST(ElmDriverTest, TheEngineAnswersFirstAndTheEcuSwitchCyclesThroughTheAnsweringEcus) {
    Driven d("6", {"7E9 06 41 00 80 00 00 01", "7E8 06 41 00 BE 1F A8 13"});
    ASSERT_TRUE(d.start().reached);
    EXPECT_EQ(d.driver.identify().caption, "ELM327 v1.5");
    d.adapter->script("010C", {"7E9 04 41 0C 00 10", "7E8 04 41 0C 1A F8"});
    const scan::ObdAnswer both = d.driver.ask({0x01, "\x0C", 3, {}});
    ASSERT_EQ(both.ecus().size(), 2);
    EXPECT_EQ(both.ecu(), "E8") << "the lowest address first, whatever order the lines came in";
    d.driver.nextEcu();
    EXPECT_EQ(d.adapter->sent.mid(d.adapter->sent.size() - 2),
              QStringList({"ATSH7E1", "ATCRA7E9"}));
    EXPECT_EQ(d.ask(0x01, "\x0C", 3), answered("E9", "410C0010"));
    d.driver.nextEcu();
    EXPECT_EQ(d.ask(0x01, "\x0C", 3), answered("E8", "410C1AF8")) << "wraps round";

    // Every ECU's codes in one answer, the chosen ECU's first, asked of all ECUs at once.
    d.driver.nextEcu();
    d.adapter->script("03", {"7E8 06 43 02 03 00 01 71", "7E9 04 43 01 07 00"});
    d.adapter->sent.clear();
    const scan::ObdAnswer codes = d.driver.ask({0x03, {}, 6, {}});
    ASSERT_EQ(codes.ecus().size(), 2);
    EXPECT_EQ(codes.ecu(), "E9");
    EXPECT_EQ(codes.ecus()[0].data.toHex(), "43070000000000");
    EXPECT_EQ(codes.ecus()[1].data.toHex(), "43030001710000");
    EXPECT_EQ(d.adapter->sent, QStringList({"ATSH7DF", "ATAR", "03", "ATSH7E1", "ATCRA7E9"}));

    EXPECT_EQ(d.driver.passThrough(0x06, 0x0B, 0x01, 6).status, Status::Refused)
        << "the CAN form of the tests has no raw pass-through";
    d.adapter->answers["010C"] = {Kind::TimedOut, {}, {}};
    EXPECT_EQ(d.ask(0x01, "\x0C", 3), status(Status::Late)) << "no answer, not the ECU's silence";
    d.adapter->answers["010C"] = {Kind::UnableToConnect, {}, {}};
    d.adapter->answers["0100"] = {Kind::UnableToConnect, {}, {}};
    EXPECT_EQ(d.ask(0x01, "\x0C", 3), status(Status::EcuTimeout));
    EXPECT_EQ(d.driver.awaitVehicle(), Status::NoVehicle) << "ignition off?";
}

// Off CAN the raw pass-through hands on the ECU's message, a negative answer as it stands, and
// never makes one up for silence or a damaged line.
TEST(ElmDriverTest, ThePassThroughHandsOnOnlyWhatTheEcuSent) {
    Driven d("3", {"48 6B 10 41 00 BE 1F A8 13 C5"});
    ASSERT_TRUE(d.start().reached);
    const auto passed = [&d](const char* line) {
        d.adapter->script("060B01", {line});
        const scan::Driver::RawAnswer raw = d.driver.passThrough(0x06, 0x0B, 0x01, 6);
        return QString::number(int(raw.status)) + ' ' +
               QByteArray(reinterpret_cast<const char*>(raw.bytes.data()), 9).toHex().toUpper();
    };
    EXPECT_EQ(passed("48 6B 10 46 0B 81 01 F4 01 90 1B"), "0 486B10468101F40190")
        << "the test id left out, as the box sends it";
    EXPECT_EQ(passed("48 6B 10 7F 06 12 5A"), "0 486B107F0612000000");
    EXPECT_TRUE(passed("48 6B 10 46 0B 81 01 F4 01 91 1B").startsWith(status(Status::Garbled)));
    EXPECT_TRUE(passed("48 6B 10 47 0B 81 01 F4 01 90 1C").startsWith(status(Status::Garbled)))
        << "an answer to another service";
    EXPECT_EQ(d.driver.passThrough(0x06, 0x0C, 0x01, 6).status, Status::EcuTimeout) << "NO DATA";
}

TEST(ElmDriverTest, AFirstSearchThatFindsNoBusIsTriedAgainUntilTheVehicleAnswers) {
    Driven d("6");
    d.adapter->answers["0100"] = {Kind::TimedOut, {}, {}};
    QTimer::singleShot(300, d.adapter,
                       [&d] { d.adapter->script("0100", {"7E8 06 41 00 BE 1F A8 13"}); });
    EXPECT_TRUE(d.start().reached);
    EXPECT_EQ(d.view.boxText, "Waiting for ECU");
    EXPECT_EQ(d.ask(0x01, QByteArray(1, 0), 5), answered("E8", "4100BE1FA813"));

    Driven off("6");
    off.adapter->answers["0100"] = {Kind::UnableToConnect, {}, {}};
    const scan::Driver::Start start = off.driver.start(1500ms);
    EXPECT_FALSE(start.reached);
    EXPECT_TRUE(start.reason.contains("is the ignition on?")) << start.reason.toStdString();
}

TEST(ElmDriverTest, WhatTheAdapterSaysIsItsAnswerAndABusInErrorEndsTheOperation) {
    Driven d("6");
    ASSERT_TRUE(d.start().reached);
    const scan::ObdRequest rpm{0x01, "\x0C", 3, {}};
    for (const char* said : {"BUFFER FULL", "STOPPED", "?"}) {
        d.adapter->answers["010C"] = {Kind::BufferFull, {}, said};
        const scan::ObdAnswer answer = d.driver.ask(rpm);
        EXPECT_EQ(answer.status(), Status::Garbled) << said;
        EXPECT_EQ(answer.said(), said);
    }
    {
        scan::ScanToolLink::Operation operation(d.link);
        d.link.cancel();
        EXPECT_EQ(d.driver.ask(rpm).status(), Status::Stopped) << "Escape is no damaged answer";
    }
    d.adapter->sent.clear();
    d.adapter->answers["010C"] = {Kind::BusError, {}, "CAN ERROR"};
    EXPECT_EQ(d.driver.ask(rpm).status(), Status::Garbled);
    EXPECT_EQ(d.driver.ask(rpm).status(), Status::Garbled);
    EXPECT_EQ(d.driver.ask(rpm).status(), Status::NoVehicle) << "the third in a row";
    EXPECT_EQ(d.adapter->sent.count("010C"), 3) << "what the adapter said is not asked again";
}

} // namespace
