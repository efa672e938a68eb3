// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/box/box_reply.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using Status = scan::AnswerStatus;

namespace {

struct ReplyCase {
    const char* why;
    const char* command;
    int threshold;
    QByteArray arrived;
    Status status;
};

// What came for a request, and how it is judged before anyone reads a value from it.
const ReplyCase kCases[] = {
    {"whole frame and checksum", "010C07", 14, "V486B10410C1AF822", Status::Answered},
    {"ready markers after it", "010C07", 14, "V486B10410C1AF822SSS", Status::Answered},
    {"one character short of the threshold", "010C07", 14, "V486B10410C1AF", Status::Late},
    {"the checksum missing", "010C07", 14, "V486B10410C1AF8S", Status::Garbled},
    {"a digit flipped", "010C07", 14, "V486B10410C1AF922", Status::Garbled},
    {"a character lost", "010C07", 14, "V486B10410C1F822S", Status::Garbled},
    {"a stray leading S is stepped over", "010C07", 14, "SV486B10410C1AF822", Status::Answered},
    {"ECU no-answer marker", "010C07", 14, "VS000000000000000", Status::EcuTimeout},
    {"the same behind a stray marker", "010C07", 14, "SVS000000000000000", Status::EcuTimeout},
    {"out of step", "010C07", 14, "V4S6B10410C1AF822", Status::OutOfStep},
    {"cut short, then idle markers", "010C07", 14, "V486BSSSSSSSSSSSS", Status::Garbled},
    {"another PID's frame", "010D06", 12, "V486B10410C1A2A", Status::Garbled},
    {"another service's frame", "010C07", 14, "V486B10420C1AF823", Status::Garbled},
    {"lower-case hex", "010C07", 14, "V486B10410C1af822", Status::Garbled},
    {"line noise with a NUL", "010C07", 14, QByteArray("V486B10\0x0C1AF822", 17), Status::Garbled},
    {"refusal of the request", "010C07", 14, "V486B107F01120055", Status::Refused},
    {"refusal of another service", "010C07", 14, "V486B107F03120057", Status::Garbled},
    {"freeze-frame reply", "02000A", 22, "V486B104200004000000045", Status::Answered},
    {"stored codes", "030A0A", 21, "V486B10430300017100007B", Status::Answered},
    {"junk before the first code", "030A0A", 21, "V486B1043 0300017100007B", Status::Answered},
    {"nothing to report (stored)", "030A0A", 21, "VFF000000000000000000FF", Status::Answered},
    {"nothing to report (pending)", "070A0A", 21, "VFE000000000000000000FE", Status::Answered},
    {"pending answered as stored", "070A0A", 21, "V486B10430300017100007B", Status::Garbled},
    {"clear acknowledged", "040404", 9, "V486B104407", Status::Answered},
    {"clear refused", "040404", 9, "V486B107F42", Status::Refused},
    {"the box's own command", "800204", 2, "V1800", Status::Answered},
};

TEST(ReplyTest, IsJudgedOnceWhereItEnters) {
    for (const ReplyCase& c : kCases) {
        const scan::box::Reply reply =
            scan::box::Reply::of(c.command, c.threshold, QString::fromLatin1(c.arrived));
        EXPECT_EQ(reply.status(), c.status) << c.why;
    }
}

// The wait for a reply goes on until its checksum is there.
TEST(ReplyTest, AServicesFrameIsWholeWithItsChecksum) {
    EXPECT_EQ(scan::box::Reply::wholeLength("010C07", u"V486B1"), 1 + 2 * 7 + 2);
    EXPECT_EQ(scan::box::Reply::wholeLength("060205", u"V4"), 1 + 2 * 6 + 2) << "an O2 test value";
    EXPECT_EQ(scan::box::Reply::wholeLength("030A0A", u"V486B1043 03"), 1 + 2 * 10 + 2 + 1)
        << "junk before the first code";
    EXPECT_EQ(scan::box::Reply::wholeLength("900101", u"V"), 0)
        << "the box's own replies have none";
}

TEST(ReplyTest, AnAnsweredReplyReadsByPosition) {
    const scan::box::Reply reply = scan::box::Reply::of("010C07", 14, "SV486B10410C1AF822");
    EXPECT_EQ(reply.ecu(), "10");
    EXPECT_EQ(reply.byte(12), 0x1A);
    EXPECT_EQ(reply.byte(14), 0xF8);
    EXPECT_EQ(reply.mid(40, 2), "") << "past the end reads as empty";

    const scan::box::Reply codes = scan::box::Reply::of("030A0A", 21, "V486B1043 0300017100007B");
    EXPECT_EQ(codes.mid(10, 4), "0300");
}

TEST(ReplyTest, FirmwareIsAVersionNumber) {
    const std::pair<const char*, Status> cases[] = {
        {"V4.00", Status::Answered},  {"SV4.00", Status::Answered},
        {"V4.0", Status::Late},       {"VS000", Status::EcuTimeout},
        {"V4S00", Status::OutOfStep}, {"V\x01\x02.0", Status::Garbled},
        {"Vx.yz", Status::Garbled},
    };
    for (const auto& [text, status] : cases)
        EXPECT_EQ(scan::box::Reply::firmware(QString::fromLatin1(text)).status(), status) << text;
    EXPECT_EQ(scan::box::Reply::firmware("V4.10xyz").text(), "V4.10");
}

} // namespace
