// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag/vehicle_information.h"
#include "support/qt_printers.h"
#include "support/scripted_scan_tool.h"

#include <gtest/gtest.h>

namespace {

// The box's frames for each request of the service: header, response id, PID, then the data.
struct InformationTest : ::testing::Test {
    InformationTest() { tool.state.FirmwareVersion = 4.00; }
    void answer(const QByteArray& command, const QByteArray& data) {
        tool.replies[command] = ScriptedScanTool::frame("486B10" + data);
    }
    diag::VehicleInfo read() { return diag::VehicleInformation(tool.link, tool.box).read(); }

    ScriptedScanTool tool;
};

TEST_F(InformationTest, EachOfferedItemIsShownAndTheOthersAreNotReported) {
    answer("090009", "4900"
                     "54400000"); // VIN, calibration IDs, CVNs, ECU name
    answer("090217", "490201"
                     "3146544657314554354446433130333132");
    answer("090416", "490401"
                     "4A4D422A333637363135303000000000");
    answer("09060A", "490601"
                     "1791BC82");
    answer("090A1A", "490A01"
                     "45434D002D456E67696E65436F6E74726F6C0000");
    diag::VehicleInfo info = read();
    EXPECT_EQ(info.statusLines(),
              QStringList({"VIN: 1FTFW1ET5DFC10312", "Calibration ID: JMB*36761500",
                           "CVN: 1791BC82", "ECU Name: ECM-EngineControl"}));
    EXPECT_EQ(info.reportLines().first(), "VIN\t1FTFW1ET5DFC10312");
    EXPECT_EQ(tool.link.unanswered(), 0);

    answer("090009", "4900"
                     "40000000"); // the VIN only
    info = read();
    EXPECT_EQ(info.statusLines().mid(1),
              QStringList(
                  {"Calibration ID: not reported", "CVN: not reported", "ECU Name: not reported"}));
    EXPECT_EQ(info.reportLines().last(), "ECU Name\tnot reported");
}

TEST_F(InformationTest, AVinThatIsNotOneIsNoAnswerAndNeverShown) {
    answer("090009", "4900"
                     "40000000");
    answer("090217", "490201"
                     "3146544657314554354946433130333132"); // an I in it
    diag::VehicleInfo info = read();
    EXPECT_FALSE(info.validVin());
    EXPECT_EQ(info.statusLines().first(), "No answer to the VIN request.");
    EXPECT_EQ(tool.link.unanswered(), 1);

    answer("090217", "490201"
                     "31465446573145543544464331303331"); // cut to 16 characters
    EXPECT_EQ(tool.box.ask({0x09, "\x02", 19, {}}).status(), scan::AnswerStatus::Garbled)
        << "the box's frame is short of its length";
    EXPECT_FALSE(read().validVin());
}

TEST_F(InformationTest, OlderBoxFirmwareCannotAskAndSaysWhy) {
    tool.state.FirmwareVersion = 3.09;
    const diag::VehicleInfo info = read();
    EXPECT_EQ(info.statusLines(),
              QStringList({"Vehicle information needs scan tool firmware 4.00 or later"}));
    EXPECT_TRUE(tool.sent.isEmpty());
}

// A made-up VIN keeps what the readiness verdict and a mechanic read from it (maker, model year)
// and passes the check a VIN decoder makes.
TEST(VinTest, AnAnonymousVinIsValidAndKeepsMakerAndModelYear) {
    EXPECT_EQ(diag::vinCheckDigit("1HGCM82633A004352"), QLatin1Char('3'));
    EXPECT_EQ(diag::vinCheckDigit("1M8GDM9AXKP042788"), QLatin1Char('X'));
    QRandomGenerator random(7);
    for (const QString vin : {"1FTFW1ET5DFC10312", "WVWZZZ1JZYW000001"}) {
        for (int i = 0; i < 20; ++i) {
            const QString made = diag::anonymousVin(vin, random);
            EXPECT_TRUE(diag::isVin(made)) << made.toStdString();
            EXPECT_EQ(made[8], diag::vinCheckDigit(made)) << made.toStdString();
            EXPECT_EQ(made.left(3), vin.left(3));
            EXPECT_EQ(made[6], vin[6]);
            EXPECT_EQ(made[9], vin[9]);
            EXPECT_NE(made.right(6), vin.right(6)) << "the serial number is made up";
        }
    }
}

} // namespace
