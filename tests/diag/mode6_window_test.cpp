// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag/mode6_result.h"
#include "diag/mode6_window.h"
#include "link/box/box_driver.h"
#include "support/qt_printers.h"
#include "support/simulated_link.h"

#include <QComboBox>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

using diag::PassReplyBytes;

PassReplyBytes testReply(quint8 limitType) {
    return {0x48, 0x6B, 0x10, 0x46, limitType, 0x01, 0xF4, 0x01, 0x90};
}

TEST(Mode6ResultTest, IdsAsTypedReadAsAByteOrNotAtAll) {
    EXPECT_EQ(diag::dollarAsHex("$0B"), "&H0B");
    const std::pair<const char*, std::optional<quint8>> rows[] = {
        {"&H0B", 11}, {"&hff", 255}, {"12abc", 12}, {"abc", {}}, {"&Hzz", {}}, {"", 0},
        {"1.5", 2},   {"300", {}},   {"&H100", {}}, {"-1", {}},  {" 7 ", 7},   {"2.5", 2}};
    for (const auto& [typed, value] : rows)
        EXPECT_EQ(diag::idValue(typed), value) << typed;
}

TEST(Mode6ResultTest, ValuesBelowOneBeyondASingleAndAtTheLimit) {
    EXPECT_EQ(diag::decodeTestResult(testReply(0x80), "0.0005", "")->value, "0.25");
    EXPECT_FALSE(diag::decodeTestResult(testReply(0x80), "1E40", "V")) << "beyond a single";
    EXPECT_TRUE(diag::decodeTestResult(testReply(0x80), "1", "")->pass) << "500 over a MIN of 400";
    EXPECT_FALSE(diag::decodeTestResult(testReply(0x00), "1", "")->pass) << "500 over a MAX";
    for (const quint8 limitType : {0x80, 0x00}) {
        const PassReplyBytes atLimit{0x48, 0x6B, 0x10, 0x46, limitType, 0x01, 0x90, 0x01, 0x90};
        EXPECT_TRUE(diag::decodeTestResult(atLimit, "1", "")->pass) << int(limitType);
    }
}

TEST(Mode6ResultTest, SupportedTestsInObdBitOrder) {
    PassReplyBytes reply{};
    reply[6] = 0xC0;
    EXPECT_EQ(diag::supportedTestLines(reply), QStringList({" 1", " 2"}));
    reply[6] = 0;
    reply[9] = 0x01;
    EXPECT_EQ(diag::supportedTestLines(reply), QStringList({" 32"}));
}

// The window against the simulated box, whose protocol digit 8 asks for the header C3 33.
class Mode6WindowTest : public ::testing::Test {
protected:
    static sim::Profile protocol8() {
        sim::Profile profile = sim::Profile::defaults();
        profile.protocol = '8';
        return profile;
    }
    void request(const QString& testId, const QString& componentId) {
        w.testIdBox->setText(testId);
        w.componentIdBox->setText(componentId);
        w.scaleBox->setText("0.01");
        w.unitsBox->setText("V");
        w.getTestResult();
    }
    QColor verdictColour() const { return w.verdictBox->palette().color(QPalette::Base); }

    SimulatedLink s{protocol8()};
    scan::box::BoxDriver box{s.link, s.view};
    diag::Mode6Tests tests{s.link, box, s.prompter};
    scan::OperationRunner operations{s.link};
    diag::Mode6Window w{tests, s.prompter, operations};
};

TEST_F(Mode6WindowTest, EachRequestShowsOnlyItsOwnResult) {
    const QColor untouched = verdictColour();
    request("$0B", "1");
    EXPECT_EQ(w.testIdBox->text(), "&H0B");
    EXPECT_EQ(s.sent.last().left(5), QByteArray::fromHex("0106C333F1")) << "protocol 8's header";
    EXPECT_EQ(w.valueBox->text(), "5V");
    EXPECT_EQ(w.minBox->text(), "4V");
    EXPECT_EQ(w.verdictBox->text(), "PASS");
    EXPECT_EQ(verdictColour(), QColor(255, 255, 255));

    request("11", "2");
    EXPECT_EQ(w.minBox->text(), "") << "the MIN of the earlier test is gone";
    EXPECT_EQ(w.maxBox->text(), "4V");
    EXPECT_EQ(w.verdictBox->text(), "FAIL");
    EXPECT_EQ(verdictColour(), QColor(255, 0, 0));

    request("5", "1");
    EXPECT_EQ(w.returnedBox->text(), " No Response to this message");
    for (QLineEdit* box : {w.verdictBox, w.valueBox, w.minBox, w.maxBox})
        EXPECT_EQ(box->text(), "") << box->objectName().toStdString();
    EXPECT_EQ(verdictColour(), untouched);

    s.sent.clear();
    request("300", "1");
    EXPECT_TRUE(s.sent.isEmpty());
    EXPECT_EQ(s.prompter.messageTexts().last(), diag::kInputErrorText);
    EXPECT_EQ(s.link.unanswered(), 0);
}

TEST_F(Mode6WindowTest, AScanListsEachTestOnceAndAPickIsTheTestToRead) {
    w.scanSupportedTests();
    w.scanSupportedTests();
    QStringList lines;
    for (int i = 0; i < w.supportedTests->count(); ++i)
        lines << w.supportedTests->itemText(i);
    EXPECT_EQ(lines, QStringList({" 1", " 2", " 11", " 16"}));
    emit w.supportedTests->activated(2);
    EXPECT_EQ(w.testIdBox->text(), "11");
}

TEST_F(Mode6WindowTest, NoOldBytesAfterAFailedPassThrough) {
    request("$0B", "1");
    ASSERT_EQ(w.verdictBox->text(), "PASS");
    s.sent.clear();
    s.simulator.injectFault(sim::Fault::EcuTimeout, 1, "F0");
    request("$0B", "1");
    EXPECT_EQ(s.prompter.messageTexts(), QStringList({"PASS command not acknowledged"}));
    EXPECT_EQ(s.sent, QByteArrayList({"F00504"})) << "nothing is sent unacknowledged";
    EXPECT_EQ(tests.lastReply(), diag::PassReplyBytes{});
    EXPECT_EQ(w.verdictBox->text(), "");
    EXPECT_EQ(s.link.unanswered(), 0) << "a refusal is an answer";

    s.simulator.injectFault(sim::Fault::Silence, 1, "F0");
    request("$0B", "1");
    EXPECT_EQ(w.returnedBox->text(), "No answer to the on-board test request.");
    EXPECT_EQ(w.verdictBox->text(), "");
    EXPECT_EQ(s.link.unanswered(), 1);

    s.simulator.injectFault(sim::Fault::FlipDigit, 1, "F0"); // a bit of the raw answer
    request("$0B", "1");
    EXPECT_EQ(w.returnedBox->text(), "No answer to the on-board test request.")
        << "its checksum fails";
    EXPECT_EQ(s.link.unanswered(), 2);

    scan::ScanToolLink::Operation other(s.link);
    s.sent.clear();
    request("$0B", "1");
    EXPECT_TRUE(s.sent.isEmpty()) << "one operation at a time";
}

} // namespace
