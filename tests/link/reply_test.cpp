#include "link/reply.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using Status = scan::Reply::Status;

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
    {"whole frame and checksum", "010C07", 14, "V486B10410C1AF8C7", Status::Answered},
    {"last character just past the threshold", "010C07", 14, "V486B10410C1AF8", Status::Answered},
    {"one character short", "010C07", 14, "V486B10410C1AF", Status::Late},
    {"a stray leading S is stepped over", "010C07", 14, "SV486B10410C1AF8", Status::Answered},
    {"ECU no-answer marker", "010C07", 14, "VS0000000000000", Status::EcuTimeout},
    {"out of step", "010C07", 14, "V4S6B10410C1AF8", Status::OutOfStep},
    {"cut short, then idle markers", "010C07", 14, "V486BSSSSSSSSSS", Status::Garbled},
    {"another PID's frame", "010D06", 12, "V486B10410C1AF8C7", Status::Garbled},
    {"another service's frame", "010C07", 14, "V486B10420C1AF8C7", Status::Garbled},
    {"lower-case hex", "010C07", 14, "V486B10410c1af8C7", Status::Garbled},
    {"line noise with a NUL", "010C07", 14, QByteArray("V486B10\0x0C1AF8C7", 17), Status::Garbled},
    {"refusal of the request", "010C07", 14, "V486B107F0112000", Status::Refused},
    {"refusal of another service", "010C07", 14, "V486B107F0312000", Status::Garbled},
    {"freeze-frame reply", "02000A", 22, "V486B1042000040000000D8", Status::Answered},
    {"stored codes", "030A0A", 21, "V486B10430300017100000C", Status::Answered},
    {"junk before the first code", "030A0A", 21, "V486B1043 030001710000CC", Status::Answered},
    {"nothing to report (stored)", "030A0A", 21, "VFF00000000000000000000", Status::Answered},
    {"nothing to report (pending)", "070A0A", 21, "VFE00000000000000000000", Status::Answered},
    {"pending answered as stored", "070A0A", 21, "V486B10430300017100000C", Status::Garbled},
    {"clear acknowledged", "040404", 9, "V486B104401", Status::Answered},
    {"clear refused", "040404", 9, "V486B107F42", Status::Refused},
    {"the box's own command", "800204", 2, "V1800", Status::Answered},
};

TEST(ReplyTest, IsJudgedOnceWhereItEnters) {
    for (const ReplyCase& c : kCases) {
        const scan::Reply reply =
            scan::Reply::of(c.command, c.threshold, QString::fromLatin1(c.arrived));
        EXPECT_EQ(reply.status(), c.status) << c.why;
    }
}

TEST(ReplyTest, AnAnsweredReplyReadsByPosition) {
    const scan::Reply reply = scan::Reply::of("010C07", 14, "SV486B10410C1AF8C7");
    EXPECT_EQ(reply.ecu(), "10");
    EXPECT_EQ(reply.byte(12), 0x1A);
    EXPECT_EQ(reply.byte(14), 0xF8);
    EXPECT_EQ(reply.mid(40, 2), "") << "past the end reads as empty";

    const scan::Reply codes = scan::Reply::of("030A0A", 21, "V486B1043 030001710000CC");
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
        EXPECT_EQ(scan::Reply::firmware(QString::fromLatin1(text)).status(), status) << text;
    EXPECT_EQ(scan::Reply::firmware("V4.10xyz").text(), "V4.10");
}

TEST(ReplyTest, TextsSayWhatHappened) {
    EXPECT_EQ(scan::noAnswerText(scan::Reply(Status::Late), "stored trouble code"),
              "No answer to the stored trouble code request.");
    EXPECT_EQ(scan::noAnswerText(scan::Reply(Status::Refused), "stored trouble code"),
              "The ECU refused the stored trouble code request.");
    EXPECT_EQ(scan::interruptionText(scan::Reply(Status::Stopped), "The survey"),
              "The survey was stopped.");
    EXPECT_EQ(scan::interruptionText(scan::Reply(Status::Lost), "The survey"),
              "The survey was interrupted: the scan tool stopped answering.");
    EXPECT_EQ(scan::interruptionText(scan::Reply(Status::NoVehicle), "The survey"),
              "The survey was interrupted: the scan tool cannot reach the vehicle.");
}

} // namespace
