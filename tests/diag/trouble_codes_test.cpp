// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag/clear_codes.h"
#include "diag/trouble_codes.h"
#include "obd/dtc.h"
#include "support/qt_printers.h"
#include "support/scripted_scan_tool.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(DtcTextTest, TheTopBitsOfTheFirstDigitGiveTheLetter) {
    const std::pair<const char*, const char*> cases[] = {
        {"0300", "P0300"}, {"1234", "P1234"}, {"3FFF", "P3FFF"}, {"4123", "C0123"},
        {"8123", "B0123"}, {"B001", "B3001"}, {"C123", "U0123"}, {"D123", "U1123"},
    };
    for (const auto& [field, text] : cases)
        EXPECT_EQ(obd::dtcText(field), text) << field;
    EXPECT_TRUE(obd::isNoCode("0000"));
    EXPECT_TRUE(obd::isNoCode("C000"));
    EXPECT_FALSE(obd::isNoCode("4000"));
}

class CodeReaderTest : public ::testing::Test {
protected:
    CodeReaderTest() {
        QFile file(dir.filePath("troublecode.tcf"));
        if (file.open(QIODevice::WriteOnly))
            file.write("P0300 Random Misfire\r\nP0171 Too Lean\r\nU0123 Lost "
                       "Communication\r\nP0420 Catalyst\r\n");
        file.close();
        definitions.load({file.fileName()}, tool.prompter);
        permanent("000000000000");
    }
    void status(const char* monitorStatus) {
        tool.replies["010109"] = ScriptedScanTool::frame(monitorStatus);
    }
    void stored(const char* fields) {
        tool.replies["030A0A"] = ScriptedScanTool::frame(QByteArray("486B1043") + fields);
    }
    void pending(const char* fields) {
        tool.replies["070A0A"] = ScriptedScanTool::frame(QByteArray("486B1047") + fields);
    }
    void permanent(const char* fields) {
        tool.replies["0A0A0A"] = ScriptedScanTool::frame(QByteArray("486B104A") + fields);
    }
    QString read() {
        tool.view.statusText.clear();
        reader.read();
        return tool.view.statusText;
    }

    QTemporaryDir dir;
    ScriptedScanTool tool;
    diag::TroubleCodeDefinitions definitions;
    // The stopwatch runs twenty times faster than real time.
    QElapsedTimer realTime;
    scan::Timing fastClock{[this] { return realTime.isValid() ? realTime.elapsed() * 20 : 0; }};
    diag::CodeReader reader{tool.link, tool.box, tool.view, tool.prompter, definitions, fastClock};
};

TEST_F(CodeReaderTest, ThreeStoredCodesWithDefinitionsThenPending) {
    status("486B10410183000000");
    stored("0300C1238123");
    pending("042000000000");
    EXPECT_EQ(read(),
              "\r\nECU #=10\r\nMIL is ON\r\nVehicle Reports  3 Stored Trouble Code(s)\r\n"
              "TC1 -P0300\r\nP0300 Random Misfire\r\n"
              "TC2 -U0123\r\nU0123 Lost Communication\r\n"
              "TC3 -B0123\r\nTrouble code definition not found\r\n"
              "Pending Code 1 -P0420--P0420 Catalyst\r\n\r\n\r\nA code of 0000 means no code"
              "\r\nNo Permanent Codes to Report");
    EXPECT_EQ(tool.view.boxText, "ECU Connected");
    EXPECT_TRUE(tool.prompter.questions.empty());
    EXPECT_EQ(tool.sent, QByteArrayList({"010109", "030A0A", "070A0A", "0A0A0A"}));
    EXPECT_EQ(tool.link.unanswered(), 0);
}

TEST_F(CodeReaderTest, TheReportedCountAndEmptyFieldsDecideTheLines) {
    status("486B10410181000000");
    stored("030001710420");
    pending("042000110171");
    const QString text = read();
    EXPECT_TRUE(text.contains("TC1 -P0300"));
    EXPECT_FALSE(text.contains("TC2"));
    EXPECT_TRUE(
        text.endsWith("Pending Code 1 -P0420--P0420 Catalyst\r\n\r\n"
                      "Pending Code 3 -P0171--P0171 Too Lean\r\nA code of 0000 means no code\r\n"
                      "No Permanent Codes to Report"));
}

TEST_F(CodeReaderTest, NoMilAndNoCodesAsksFirst) {
    status("486B10410100000000");
    stored("C00000000000");
    pending("042000000000");
    EXPECT_TRUE(read().contains(
        "MIL is OFF\r\nVehicle Reports  0 Stored Trouble Code(s)\r\nPending Code 1 -P0420"));
    ASSERT_EQ(tool.prompter.questions.size(), 1u);
    const auto& question = tool.prompter.questions[0];
    EXPECT_EQ(question.text, "The MIL is off, read codes anyway?");
    EXPECT_EQ(question.title, "Read Codes?");
    EXPECT_EQ(question.icon, core::Prompter::Icon::Stop);
    EXPECT_FALSE(question.defaultYes);
    EXPECT_EQ(tool.sent, QByteArrayList({"010109", "070A0A", "0A0A0A"}));

    tool.prompter.answers = {true};
    EXPECT_TRUE(
        read().contains("Stored Trouble Code(s)\r\nNo Codes to ReportPending Code 1 -P0420"));
}

TEST_F(CodeReaderTest, JunkBeforeTheFirstCodeAndTheBoxsNothingToReport) {
    status("486B10410181000000");
    tool.replies["030A0A"] = "V486B1043 03000000000009";
    tool.replies["070A0A"] = "VFE" + QByteArray(18, '0') + "FE";
    EXPECT_TRUE(read().contains("TC1 -P0300\r\nP0300 Random Misfire\r\nNo pending codes reported"));
    tool.replies["030A0A"] = "VFF" + QByteArray(18, '0') + "FF";
    EXPECT_TRUE(read().contains("Stored Trouble Code(s)\r\nNo pending codes reported"));
}

TEST_F(CodeReaderTest, PermanentCodesPresentAbsentRefusedOrDamaged) {
    status("486B10410100000000");
    pending("000000000000");
    const std::pair<QByteArray, const char*> cases[] = {
        {ScriptedScanTool::frame("486B104A042001710000"),
         "\r\nPermanent Code 1 -P0420--P0420 Catalyst\r\nPermanent Code 2 -P0171--P0171 Too Lean"},
        {"VFF" + QByteArray(18, '0') + "FF", "\r\nNo Permanent Codes to Report"},
        {ScriptedScanTool::frame("486B107F0A1100000000"), "\r\nPermanent codes not supported"},
        {ScriptedScanTool::frame("486B104A0420017100").append('0'),
         "\r\nNo answer to the permanent trouble code request."},
    };
    for (const auto& [reply, lines] : cases) {
        tool.replies["0A0A0A"] = reply;
        EXPECT_TRUE(read().endsWith(lines)) << lines;
    }
    EXPECT_EQ(tool.link.unanswered(), 1) << "only the damaged answer";
}

TEST_F(CodeReaderTest, AFrameThatComesTwiceListsItsCodesOnce) {
    status("486B10410184000000");
    const QByteArray first = ScriptedScanTool::frame("486B1043030001710420");
    const QByteArray second = ScriptedScanTool::frame("486B1043C12300000000");
    tool.replies["030A0A"] = first + first + second + first;
    pending("042000000000");
    tool.replies["070A0A"] += tool.replies["070A0A"];
    const QString text = read();
    EXPECT_EQ(text.count("TC"), 4) << "every code once, none lost";
    EXPECT_TRUE(text.contains("TC4 -U0123\r\n"));
    EXPECT_EQ(text.count("Pending Code"), 1);
}

TEST_F(CodeReaderTest, StoredCodesThatNeverComeEndTheReadAtTenSeconds) {
    status("486B10410181000000");
    pending("042000000000");
    realTime.start();
    fastClock.Start();
    EXPECT_TRUE(read().endsWith("==== Timeout waiting for Trouble Codes\r\n"));
    EXPECT_GT(fastClock.CurrentTime(), 9.4);
    EXPECT_LT(fastClock.CurrentTime(), 12);
    EXPECT_FALSE(tool.sent.contains("070A0A")) << "the read ends: no pending request";
}

TEST_F(CodeReaderTest, AScanToolUnpluggedDuringTheReadEndsIt) {
    status("486B10410181000000");
    tool.unplugOn = "030A0A";
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_TRUE(read().endsWith(
        "Reading the trouble codes was interrupted: the scan tool stopped answering.\r\n"));
    EXPECT_FALSE(tool.sent.contains("070A0A"));
    EXPECT_EQ(tool.prompter.messages.size(), 1u);
    EXPECT_LT(elapsed.elapsed(), 2000);
}

TEST(ClearCodesTest, OnlyTheAcknowledgementSaysCleared) {
    const std::tuple<QByteArray, const char*, const char*> cases[] = {
        {ScriptedScanTool::frame("486B1044"), "ECU Connected", "Trouble Codes Cleared"},
        {ScriptedScanTool::frame("486B107F"), "ECU Connected", "Operation Failed"},
        {"VS000000000", "ECU Timeout", "\r\n"},
        {ScriptedScanTool::frame("486B1043"), "ECU Timeout",
         "No answer to the clear request. The trouble codes may not have been cleared."},
    };
    for (const auto& [reply, box, text] : cases) {
        ScriptedScanTool tool;
        tool.replies["040404"] = reply;
        diag::ClearCodes(tool.link, tool.box, tool.view).run();
        EXPECT_EQ(tool.sent.first(), "040404");
        EXPECT_EQ(tool.view.boxText, box) << text;
        EXPECT_EQ(tool.view.statusText, text);
    }
}

} // namespace
