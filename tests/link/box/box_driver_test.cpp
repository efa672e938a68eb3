// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/box/box_driver.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

using scan::box::boxCommand;

scan::ObdRequest request(quint8 service, const QByteArray& parameters, int answerBytes) {
    return {service, QByteArray::fromHex(parameters), answerBytes, {}};
}

// Each service in the box's own command form, and how long its reply is waited for.
TEST(BoxDriverTest, EachRequestBecomesTheBoxsCommand) {
    const std::tuple<scan::ObdRequest, const char*, int> rows[] = {
        {request(0x01, "0C", 3), "010C07", 14},   {request(0x01, "00", 5), "010009", 18},
        {request(0x02, "0C", 4), "020C08", 16},   {request(0x02, "00", 6), "02000A", 22},
        {request(0x03, "", 6), "030A0A", 21},     {request(0x07, "", 6), "070A0A", 21},
        {request(0x04, "", 0), "040404", 9},      {request(0x05, "0010", 5), "050010", 18},
        {request(0x05, "0110", 2), "050110", 12}, {request(0x06, "0510", 4), "060510", 16},
    };
    for (const auto& [asked, text, threshold] : rows) {
        EXPECT_EQ(boxCommand(asked).text, text);
        EXPECT_EQ(boxCommand(asked).threshold, threshold) << text;
    }
}

// The bytes a service reads: the ECU from the header, the data after it; codes from every frame.
TEST(BoxDriverTest, AJudgedFrameBecomesTheEcusBytes) {
    const auto answer = [](const scan::ObdRequest& asked, const QString& arrived) {
        const scan::box::BoxCommand command = boxCommand(asked);
        return scan::box::answerOf(command,
                                   scan::box::Reply::of(command.text, command.threshold, arrived));
    };
    const scan::ObdAnswer rpm = answer(request(0x01, "0C", 3), "V486B10410C1AF822");
    EXPECT_EQ(rpm.ecu(), "10");
    EXPECT_EQ(rpm.ecus().front().data, QByteArray::fromHex("410C1AF8"));
    EXPECT_EQ(rpm.raw(), "V486B10410C1AF822");

    // Two frames, the second repeated: six codes, each once.
    const QString first = "V486B10430300017104209F", second = "V486B10430101010201030F";
    const scan::ObdAnswer codes = answer(request(0x03, "", 6), first + second + second);
    EXPECT_EQ(codes.ecus().front().data, QByteArray::fromHex("43030001710420010101020103"));
    EXPECT_TRUE(answer(request(0x03, "", 6), "VFF000000000000000000FF").ecus().isEmpty());

    EXPECT_EQ(answer(request(0x01, "0C", 3), "VS000000000000000").status(),
              scan::AnswerStatus::EcuTimeout);
    EXPECT_TRUE(answer(request(0x01, "0C", 3), "VS000000000000000").ecus().isEmpty());
}

TEST(PassThroughTest, HeaderByProtocolDigitAndTheCommandBytes) {
    using Header = std::array<quint8, 2>;
    EXPECT_EQ(scan::box::protocolHeader(QChar('4')), Header({0x61, 0x6A}));
    EXPECT_EQ(scan::box::protocolHeader(QChar('8')), Header({0xC3, 0x33}));
    EXPECT_EQ(scan::box::protocolHeader(QChar('1')), Header({0x68, 0x6A}));
    EXPECT_EQ(scan::box::passThroughCommand({0x61, 0x6A, 0xF1}, 6, 0x0B, 1, 6).toHex(),
              "0106616af1060b01000000000000");
    EXPECT_EQ(scan::box::passThroughCommand({0x68, 0x6A, 0xF1}, 6, 0, 0, 5).toHex(),
              "0105686af1060000000000000000");
}

} // namespace
