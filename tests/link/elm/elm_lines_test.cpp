// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/elm/elm_lines.h"

#include <gtest/gtest.h>

namespace {

using scan::elm::ElmFraming;

struct Row {
    const char* name;
    ElmFraming framing;
    const char* request;
    const char* lines;    // "|" between lines
    const char* messages; // "ECU:bytes" each, space between messages
    bool damaged;
    bool headers = true;
};

// What is left of the adapter's lines, written as a row writes it.
std::string shown(const scan::elm::ElmMessages& found) {
    std::string out;
    for (const scan::elm::ElmMessage& m : found.messages)
        out += (out.empty() ? "" : " ") +
               QByteArray(1, char(m.ecu)).toHex().toUpper().toStdString() + ":" +
               m.data.toHex().toUpper().toStdString();
    return out;
}

TEST(ElmLinesTest, OnlyAnAnswerWholeToItsLastByteIsAMessage) {
    using F = ElmFraming;
    const Row rows[] = {
        {"length byte says less", F::Can11, "010C", "7E8 03 41 0C 1A F8", "", true},
        {"a byte short of the length", F::Can11, "010C", "7E8 04 41 0C 1A", "", true},
        {"short of J1979's length", F::Can11, "0120", "7E8 05 41 20 80 00 01", "", true},
        {"code count without the codes", F::Can11, "07", "7E8 04 01 04 20", "", true},
        {"another PID", F::Can11, "010C", "7E8 03 41 0D 20", "", true},
        {"identifier of no ECU", F::Can11, "010C", "6E8 04 41 0C 1A F8", "", true},
        {"29-bit, spaces off, a line of no ECU", F::Can29, "010C",
         "18DAF1100441 0C1AF8|18 DA F2 18 04 41 0C 1A F8", "10:410C1AF8", true},
        {"an ECU contradicting itself", F::Can11, "010D", "7E8 03 41 0D 32|7E8 03 41 0D 33", "",
         true},
        {"multi-frame exactly filling its frames", F::Can11, "0902",
         "7E8 10 14 49 02 01 31 44 34|7E8 21 47 50 30 30 52 35 35|7E8 22 42 31 32 33 34 35 36",
         "E8:4902013144344750303052353542313233343536", false},
        {"nine codes exactly filling three frames", F::Can11, "03",
         "7E8 10 14 43 09 01 01 01 02|7E8 21 01 03 01 04 01 05 01|7E8 22 06 01 07 01 08 01 09",
         "E8:4309010101020103010401050106010701080109", false},
        {"padding shown on the last frame", F::Can11, "03",
         "7E8 10 0A 43 04 01 01 01 02|7E8 21 01 03 01 04 00 00 00", "E8:43040101010201030104",
         false},
        {"consecutive frame out of sequence", F::Can11, "03",
         "7E8 10 0A 43 04 01 01 01 02|7E8 22 01 03 01 04 00 00 00", "", true},
        {"consecutive frame a byte short", F::Can11, "0902",
         "7E8 10 14 49 02 01 31 44 34|7E8 21 47 50 30 30 52 35|7E8 22 42 31 32 33 34 35 36", "",
         true},
        {"several PIDs, one left out, the others reordered", F::Can11, "010C0D05",
         "7E8 06 41 0D 32 0C 1A F8", "E8:410D320C1AF8", false},
        {"several PIDs, one not asked", F::Can11, "010C0D", "7E8 06 41 0C 1A F8 0E 94", "", true},
        {"several PIDs, the last a byte short", F::Can11, "010C0D", "7E8 05 41 0D 32 0C 1A", "",
         true},
        {"ISO 9141 codes, three a frame", F::Iso, "03",
         "48 6B 10 43 01 01 01 02 01 03 0F|48 6B 10 43 01 04 00 00 00 00 0B",
         "10:43010101020103 10:43010400000000", false},
        {"ISO 9141 flipped byte", F::Iso, "010C", "48 6B 10 41 0C 1B F8 22", "", true},
        {"ISO 9141 byte missing, checksum read as data", F::Iso, "010C", "48 6B 10 41 0C 1A 22", "",
         true},
        {"KWP format byte one more", F::Iso, "010C", "85 F1 10 41 0C 1A F8 E5", "", true},
        {"J1850 CRC", F::J1850, "010C", "48 6B 10 41 0C 1A F8 B2", "10:410C1AF8", false},
        {"J1850 CRC wrong", F::J1850, "010C", "48 6B 10 41 0C 1A F8 22", "", true},
        {"numbered lines without headers", F::Can11, "07",
         "00A|0: 47 04 01 01 01 02|1: 01 03 01 04 00 00 00", "00:47040101010201030104", false,
         false},
        {"numbered line missing", F::Can11, "07", "00A|0: 47 04 01 01 01 02|2: 01 03 01 04 00 00",
         "", true, false},
    };
    for (const Row& row : rows) {
        const QStringList lines = QString(row.lines).split('|');
        const auto found = scan::elm::parseElmLines(lines, row.framing, row.headers,
                                                    QByteArray::fromHex(row.request));
        EXPECT_EQ(shown(found), row.messages) << row.name;
        EXPECT_EQ(found.damaged, row.damaged) << row.name;
    }
}

} // namespace
