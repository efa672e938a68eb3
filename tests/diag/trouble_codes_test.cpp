#include "diag/clear_codes.h"
#include "diag/trouble_codes.h"
#include "support/qt_printers.h"
#include "support/scripted_scan_tool.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(LetterRuleTest, OnlyACFirstDigitMakesANetworkCode) {
    struct Case {
        const char* field;
        const char* text;
        const char* replyAfter;
    };
    const Case cases[] = {
        {"C123", "U0123", "0123"}, {"C000", "U0000", "0000"}, {"0300", "P0300", "0300"},
        {"8123", "P8123", "8123"}, {"4123", "P4123", "4123"}, {"D001", "PD001", "D001"},
    };
    for (const Case& c : cases) {
        QString reply = QStringLiteral("V486B1043") + c.field + "000000000000";
        EXPECT_EQ(diag::dtcText(reply, 10), c.text) << c.field;
        EXPECT_EQ(reply.mid(9, 4), c.replyAfter) << c.field;
    }
}

TEST(LeadingJunkTest, ACharacterBelowZeroAtTheFirstCodeIsDropped) {
    QString reply = "V486B1043 030001710000C";
    diag::removeLeadingJunk(reply);
    EXPECT_EQ(reply, "V486B10430300017100000C") << "twelve characters move up, the rest stays";
    QString clean = "V486B104303000171000000";
    diag::removeLeadingJunk(clean);
    EXPECT_EQ(clean, "V486B104303000171000000");
    QString shortReply = "V48";
    diag::removeLeadingJunk(shortReply);
    EXPECT_EQ(shortReply, "V48");
}

class TroubleCodeReaderTest : public ::testing::Test {
protected:
    TroubleCodeReaderTest() {
        QFile file(dir.filePath("troublecode.tcf"));
        if (file.open(QIODevice::WriteOnly))
            file.write("P0300 Random Misfire\r\nP0171 Too Lean\r\nU0123 Lost "
                       "Communication\r\nP0420 Catalyst\r\n");
        file.close();
        definitions.load_tc_file({file.fileName()}, tool.prompter);
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
    QString read() {
        reader.Mode3_Click();
        return tool.view.statusText;
    }

    QTemporaryDir dir;
    ScriptedScanTool tool;
    diag::TroubleCodeDefinitions definitions;
    // The stopwatch runs twenty times faster than real time, so the 10-second limit passes in half
    // a second.
    QElapsedTimer realTime;
    scan::Timing fastClock{[this] { return realTime.isValid() ? realTime.elapsed() * 20 : 0; }};
    diag::TroubleCodeReader reader{tool.link, tool.view, tool.prompter, definitions, fastClock};
};

TEST_F(TroubleCodeReaderTest, ThreeStoredCodesWithDefinitionsThenPending) {
    status("486B1041018300000000");
    stored("0300C1238123");
    pending("042000000000");
    EXPECT_EQ(read(),
              "\r\nECU #=10\r\nMIL is ON\r\nVehicle Reports  3 Stored Trouble Code(s)\r\n"
              "TC1 -P0300\r\nP0300 Random Misfire\r\n"
              "TC2 -U0123\r\nU0123 Lost Communication\r\n"
              "TC3 -P8123\r\nTrouble code definition not found\r\n"
              "Pending Code 1 -P0420--P0420 Catalyst\r\n\r\n\r\nA code of 0000 means no code");
    EXPECT_EQ(tool.view.boxText, "ECU Connected");
    EXPECT_TRUE(tool.prompter.questions.empty());
    EXPECT_EQ(tool.sent, QByteArrayList({"010109", "030A0A", "070A0A"}));
}

TEST_F(TroubleCodeReaderTest, TheReportedCountDecidesHowManyFieldsAreShown) {
    status("486B1041018100000000");
    stored("030001710420");
    pending("000000000000");
    const QString text = read();
    EXPECT_TRUE(text.contains("TC1 -P0300"));
    EXPECT_FALSE(text.contains("TC2"));
    EXPECT_TRUE(text.endsWith("No Pending Codes to Report"));
}

TEST_F(TroubleCodeReaderTest, PendingFieldsStartingWith00LeaveEmptyLines) {
    status("486B1041010100000000");
    stored("030000000000");
    pending("042000110171");
    EXPECT_TRUE(
        read().endsWith("Pending Code 1 -P0420--P0420 Catalyst\r\n\r\n"
                        "Pending Code 3 -P0171--P0171 Too Lean\r\nA code of 0000 means no code"));
}

TEST_F(TroubleCodeReaderTest, NoMilAndNoCodesAsksFirstAndNoStillReadsPending) {
    status("486B1041010000000000");
    stored("030000000000");
    pending("042000000000");
    const QString text = read();
    ASSERT_EQ(tool.prompter.questions.size(), 1u);
    const auto& question = tool.prompter.questions[0];
    EXPECT_EQ(question.text, "The MIL is off, read codes anyway?");
    EXPECT_EQ(question.title, "Read Codes?");
    EXPECT_EQ(question.icon, core::Prompter::Icon::Stop);
    EXPECT_FALSE(question.defaultYes);
    EXPECT_TRUE(text.contains(
        "MIL is OFF\r\nVehicle Reports  0 Stored Trouble Code(s)\r\nPending Code 1 -P0420"));
    EXPECT_EQ(tool.sent, QByteArrayList({"010109", "070A0A"}));
}

TEST_F(TroubleCodeReaderTest, AnsweringYesReadsStoredCodesAndNoCodesRunsIntoThePendingLine) {
    status("486B1041010000000000");
    stored("C00000000000");
    pending("042000000000");
    tool.prompter.answers = {true};
    EXPECT_TRUE(
        read().contains("Stored Trouble Code(s)\r\nNo Codes to ReportPending Code 1 -P0420"));
}

TEST_F(TroubleCodeReaderTest, AJunkCharacterBeforeTheFirstCodeIsSkipped) {
    status("486B1041018100000000");
    tool.replies["030A0A"] = "V486B1043 0300000000000";
    pending("000000000000");
    EXPECT_TRUE(read().contains("TC1 -P0300\r\n"));
}

TEST_F(TroubleCodeReaderTest, StoredCodesThatNeverComeEndTheReadAfterTenSeconds) {
    status("486B1041018100000000");
    pending("042000000000");
    realTime.start();
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_TRUE(read().endsWith("==== Timeout waiting for Trouble Codes\r\n"));
    EXPECT_LT(elapsed.elapsed(), 3000);
    EXPECT_FALSE(tool.sent.contains("070A0A")) << "the read ends: no pending request";
}

TEST_F(TroubleCodeReaderTest, AnEcuTimeoutOnTheStatusSkipsStoredButReadsPending) {
    tool.replies["010109"] = "VS00000000000000000000";
    pending("042000000000");
    const QString text = read();
    EXPECT_EQ(tool.view.boxText, "ECU Timeout");
    EXPECT_TRUE(text.startsWith("\r\nPending Code 1 -P0420")) << text.toStdString();
    EXPECT_EQ(tool.link.unanswered(), 1);
}

TEST_F(TroubleCodeReaderTest, AMissingPendingReplySaysNoAnswerInsteadOfInventingCodes) {
    status("486B1041018100000000");
    stored("030000000000");
    const QString text = read();
    EXPECT_TRUE(text.endsWith(
        "TC1 -P0300\r\nP0300 Random Misfire\r\nNo answer to the pending trouble code request."))
        << text.toStdString();
    EXPECT_EQ(tool.link.unanswered(), 1);
}

TEST_F(TroubleCodeReaderTest, AnEcuTimeoutOnTheCodeRequestsIsNotAnEmptyCodeList) {
    status("486B1041018100000000");
    tool.replies["030A0A"] = "VS0000000000000000000000";
    tool.replies["070A0A"] = "VS0000000000000000000000";
    const QString text = read();
    EXPECT_FALSE(text.contains("No Codes to Report"));
    EXPECT_TRUE(text.contains("No answer to the stored trouble code request.\r\n"));
    EXPECT_TRUE(text.endsWith("No answer to the pending trouble code request."));
    EXPECT_EQ(tool.link.unanswered(), 2);
}

TEST_F(TroubleCodeReaderTest, AScanToolUnpluggedDuringTheReadEndsItWithOneMessage) {
    status("486B1041018100000000");
    tool.unplugOn = "030A0A";
    QElapsedTimer elapsed;
    elapsed.start();
    const QString text = read();
    EXPECT_TRUE(text.contains("No answer to the stored trouble code request.\r\n"));
    EXPECT_TRUE(text.endsWith("No answer to the pending trouble code request."));
    EXPECT_FALSE(text.contains("TC1"));
    EXPECT_EQ(tool.prompter.messages.size(), 1u);
    EXPECT_LT(elapsed.elapsed(), 2000);
}

TEST_F(TroubleCodeReaderTest, ReadErrorAndNoPendingSupportAreNotCodes) {
    status("486B1041018100000000");
    tool.replies["030A0A"] = "VFF" + QByteArray(20, '0');
    tool.replies["070A0A"] = "VFE" + QByteArray(20, '0');
    const QString text = read();
    EXPECT_FALSE(text.contains("TC1"));
    EXPECT_TRUE(text.endsWith("Stored Trouble Code(s)\r\nNo pending codes reported"));
}

TEST(ClearCodesTest, NoAnswerSaysTheCodesMayNotBeCleared) {
    ScriptedScanTool tool;
    diag::Mode4_Click(tool.link, tool.view);
    EXPECT_EQ(tool.sent, QByteArrayList({"040404"}));
    EXPECT_EQ(tool.view.boxText, "ECU Timeout");
    EXPECT_TRUE(tool.view.statusText.startsWith("No answer to the clear request"));
    EXPECT_EQ(tool.link.unanswered(), 1);

    ScriptedScanTool negative;
    negative.replies["040404"] = ScriptedScanTool::frame("486B107F");
    diag::Mode4_Click(negative.link, negative.view);
    EXPECT_EQ(negative.view.statusText, "Operation Failed");
    EXPECT_EQ(negative.view.boxText, "ECU Connected");
}

} // namespace
