// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/number_text.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using core::Precision;

namespace {

struct TextCase {
    double value;
    Precision precision;
    const char* text;
};

TEST(NumberTextTest, FollowsTheProgramsNumberTextRule) {
    const TextCase cases[] = {
        {0, Precision::Double, " 0"},
        {190.4, Precision::Double, " 190.4"},
        {88 * 1.8 + 32, Precision::Double, " 190.4"},
        {0.45, Precision::Double, " .45"},
        {144 / 200.0, Precision::Double, " .72"},
        {-0.5, Precision::Double, "-.5"},
        {-4, Precision::Double, "-4"},
        {1726, Precision::Double, " 1726"},
        {101 * 0.29613, Precision::Double, " 29.90913"},
        {100.0 / 3, Precision::Double, " 33.3333333333333"},
        {100.0 / 3, Precision::Single, " 33.33333"},
        {2.0 / 3, Precision::Single, " .6666667"},
        {0.0001, Precision::Double, " .0001"},
        {0.00001, Precision::Double, " 1E-05"},
        {-0.000015, Precision::Double, "-1.5E-05"},
        {123456789012345, Precision::Double, " 123456789012345"},
        {1e15, Precision::Double, " 1E+15"},
        {9999999, Precision::Single, " 9999999"},
        {12345678, Precision::Single, " 1.234568E+07"},
        {65535.0 / 32768, Precision::Double, " 1.99996948242188"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(core::numberText(c.value, c.precision), QString::fromLatin1(c.text))
            << "value " << c.value;
}

TEST(NumberTextTest, CutTextsKeepTheLeadingBlank) {
    EXPECT_EQ(core::left(core::numberText(190.4), 4), " 190");
    EXPECT_EQ(core::left(core::numberText(101 * 0.29613), 5), " 29.9");
    EXPECT_EQ(core::left(core::numberText(-40), 4), "-40");
    EXPECT_EQ(core::left(core::numberText(5), -1), "");
}

TEST(LeadingNumberTest, ReadsTheLongestLeadingNumber) {
    const std::pair<const char*, double> cases[] = {
        {"4.00", 4},      {"V4.00", 0},    {"", 0},        {"  12.5 Volts", 12.5},
        {" .45", 0.45},   {"-4", -4},      {"1 2 3", 123}, {"3.10", 3.1},
        {"3.09x", 3.09},  {"1E+15", 1e15}, {"2e", 2},      {"-.5E-1", -0.05},
        {"12.3.4", 12.3}, {"+7", 7},       {".", 0},       {"-", 0},
        {"\t\n 8", 8},    {"1,5", 1},
    };
    for (const auto& [text, value] : cases)
        EXPECT_DOUBLE_EQ(core::leadingNumber(QString::fromLatin1(text)), value) << text;
}

TEST(FormatNumberTest, DigitPlacesPadAndRoundAsThePatternSays) {
    struct Case {
        double value;
        const char* pattern;
        const char* text;
    };
    const Case cases[] = {
        {369.6, " ###0", " 370"},
        {697.28, " ####0", " 697"},
        {20, " 000.0", " 020.0"},
        {1.5, " 000.0", " 001.5"},
        {3.2481, " ##0.0", " 3.2"},
        {0, " ##0.0", " 0.0"},
        {0.999424, "0.000 ", "0.999 "},
        {1.9995, "0.000 ", "2.000 "},
        {0.5, "0", "1"},
        {2.5, "0", "3"},
        {-2.5, "0", "-3"},
        {12345, "##0", "12345"},
        {0.256, "0%", "26%"},
        {0.25, "#.##", ".25"},
        {1.5, "0.0#", "1.5"},
        {1.05, "0.0#", "1.05"},
        {-40, " ###0", "- 40"},
        {-0.001, "0.00", "0.00"},
        {7, "Value: 0", "Value: 7"},
        {5, "#.##", "5."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(core::formatNumber(c.value, QString::fromLatin1(c.pattern)),
                  QString::fromLatin1(c.text))
            << c.value << " with \"" << c.pattern << '"';
}

TEST(RoundingTest, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(core::roundHalfEven(2.5), 2);
    EXPECT_EQ(core::roundHalfEven(3.5), 4);
    EXPECT_EQ(core::roundHalfEven(-2.5), -2);
    EXPECT_EQ(core::roundHalfEven(2.51), 3);
    EXPECT_EQ(core::roundHalfEven(1726.4), 1726);
    EXPECT_EQ(core::wholePart(-0.5), -1);
    EXPECT_EQ(core::wholePart(99.99), 99);
}

TEST(SubstringTest, ReadsPastTheEndAsEmpty) {
    const QString reply = "S7EA10";
    EXPECT_EQ(core::mid(reply, 1, 1), "S");
    EXPECT_EQ(core::mid(reply, 2, 2), "7E");
    EXPECT_EQ(core::mid(reply, 5, 4), "10");
    EXPECT_EQ(core::mid(reply, 7, 2), "");
    EXPECT_EQ(core::mid(reply, 100, 2), "");
    EXPECT_EQ(core::mid(reply, 0, 2), "");
    EXPECT_EQ(core::mid(reply, 3), "EA10");
    EXPECT_EQ(core::mid(QString(), 1, 2), "");
}

} // namespace
