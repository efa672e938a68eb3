// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/elm/elm_reply.h"

#include <gtest/gtest.h>

namespace {

using scan::elm::ElmAnswer;
using scan::elm::ElmReplyReader;
using Kind = ElmAnswer::Kind;

struct Row {
    const char* name;
    std::vector<QByteArray> reads; // the answer as it arrives, read by read
    QByteArray command;
    Kind kind;
    QStringList lines;
};

TEST(ElmReplyTest, SortsEachKindOfAnswerHoweverItArrives) {
    const std::vector<Row> rows = {
        {"prompt in a later read",
         {"41 0C 1A", " F8\r", "\r", ">"},
         "010C",
         Kind::Lines,
         {"41 0C 1A F8"}},
        {"echo on", {"010C\r41 0C 1A F8\r\r>"}, "010C", Kind::Lines, {"41 0C 1A F8"}},
        {"headers, several ECUs, an error line among them",
         {"7E8 04 41 0C 1A F8\rCAN ERROR\r7EA 04 41 0C 0B B8\r\r>"},
         "010C",
         Kind::Lines,
         {"7E8 04 41 0C 1A F8", "7EA 04 41 0C 0B B8"}},
        {"no spaces, CR LF", {"7E804410C1AF8\r\n\r\n>"}, "010C", Kind::Lines, {"7E804410C1AF8"}},
        {"searching first",
         {"SEARCHING...\r41 00 BE 1F B8 10\r\r>"},
         "0100",
         Kind::Lines,
         {"41 00 BE 1F B8 10"}},
        {"bus init, checksum kept",
         {"BUS INIT: ...OK\r48 6B 10 41 0C 1A F8 22\r\r>"},
         "010C",
         Kind::Lines,
         {"48 6B 10 41 0C 1A F8 22"}},
        {"numbered multi-frame",
         {"012\r0: 43 08 03 00 01 71\r1: 01 72 01 73 01 74 01\r2: 75 01 76 01 77\r\r>"},
         "03",
         Kind::Lines,
         {"012", "0: 43 08 03 00 01 71", "1: 01 72 01 73 01 74 01", "2: 75 01 76 01 77"}},
        {"noise before the banner",
         {"ATZ\r\x7F\xFC\r\rELM327 v1.5\r\r>"},
         "ATZ",
         Kind::Lines,
         {"ELM327 v1.5"}},
        {"data, then an error line",
         {"41 0C 1A F8\rBUS BUSY\r\r>"},
         "010C",
         Kind::Lines,
         {"41 0C 1A F8"}},
        {"no data", {"NO DATA\r\r>"}, "0902", Kind::NoData, {}},
        {"two complaints: the first counts", {"NO DATA\rCAN ERROR\r\r>"}, "03", Kind::NoData, {}},
        {"ignition off",
         {"SEARCHING...\r\nUNABLE TO CONNECT\r\n\r\n>"},
         "0100",
         Kind::UnableToConnect,
         {}},
        {"bus init error", {"BUS INIT: ...ERROR\r\r>"}, "0100", Kind::BusError, {}},
        {"buffer full", {"BUFFER FULL\r\r>"}, "0100", Kind::BufferFull, {}},
        {"stopped", {"STOPPED\r\r>"}, "0100", Kind::Stopped, {}},
        {"unknown command", {"?\r\r>"}, "ATH1", Kind::NotUnderstood, {}},
        {"clone's error", {"ERROR\r\r>"}, "ATS1", Kind::NotUnderstood, {}},
        {"wrong baud rate", {"\x85\x9A\xC3\xE1\r\r>"}, "ATZ", Kind::Garbled, {}},
    };
    for (const Row& row : rows) {
        ElmReplyReader reader;
        reader.expect(row.command);
        std::optional<ElmAnswer> answer;
        for (std::size_t i = 0; i < row.reads.size(); ++i) {
            answer = reader.feed(row.reads[i]);
            ASSERT_EQ(answer.has_value(), i + 1 == row.reads.size()) << row.name;
        }
        EXPECT_EQ(answer->kind, row.kind) << row.name;
        EXPECT_EQ(answer->lines, row.lines) << row.name;
    }
    // What the adapter said instead of data, in its words, for the user.
    EXPECT_EQ(scan::elm::sortAnswer("NO DATA\rCAN ERROR\r\r", "03").said, "NO DATA");
    EXPECT_EQ(scan::elm::sortAnswer("BUS INIT: ...ERROR\r", "0100").said, "BUS INIT: ...ERROR");
    EXPECT_EQ(scan::elm::sortAnswer("41 0C 1A F8\rBUS BUSY\r", "010C").said, "") << "data wins";
}

} // namespace
