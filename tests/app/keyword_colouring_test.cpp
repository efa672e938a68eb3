// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/keyword_colouring.h"

#include <QTextCursor>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

struct Look {
    QColor colour;
    bool bold;
};

class KeywordColouringTest : public ::testing::Test {
protected:
    void colour(const QString& text, int caret = 0) {
        edit.setPlainText(text);
        QTextCursor c = edit.textCursor();
        c.setPosition(caret);
        edit.setTextCursor(c);
        app::colourKeywords(edit);
    }
    // The look of the first character of the first occurrence of `word` at or after `from`.
    Look lookOf(const QString& word, int from = 0) {
        const int at = edit.toPlainText().indexOf(word, from);
        EXPECT_GE(at, 0) << word.toStdString();
        QTextCursor c(edit.document());
        c.setPosition(at + 1);
        const QTextCharFormat f = c.charFormat();
        return {f.foreground().color(), f.fontWeight() == QFont::Bold};
    }

    QTextEdit edit;
    const QColor black{0, 0, 0}, red{255, 0, 0}, green{0, 128, 0}, blue{0, 0, 255};
};

TEST_F(KeywordColouringTest, KeywordsAreMatchedInLowerCaseAndEmphasised) {
    colour("\nCatalyst Monitoring           Complete\nO2 Sensor Monitoring          Incomplete\n"
           "EGR System                    Not Supported\nMIL is OFF, 2 codes stored\n");
    EXPECT_EQ(lookOf("Complete").colour, green);
    EXPECT_TRUE(lookOf("Complete").bold);
    EXPECT_EQ(lookOf("Catalyst").colour, black);
    EXPECT_FALSE(lookOf("Catalyst").bold);
    EXPECT_EQ(lookOf("Monitoring").colour, black);
    EXPECT_EQ(lookOf("O2").colour, blue);
    EXPECT_EQ(lookOf("Incomplete").colour, red);
    EXPECT_EQ(lookOf("EGR").colour, blue);
}

TEST_F(KeywordColouringTest, WordsRunBetweenDelimitersOnly) {
    // "OFF," is not "off"; "(on)" is "on" because brackets delimit words.
    colour("\nMIL OFF, then (on) and o2 twice, function test complete.\nfiller line here\n");
    EXPECT_EQ(lookOf("OFF,").colour, black);
    EXPECT_EQ(lookOf("on)").colour, red);
    EXPECT_EQ(lookOf("o2").colour, blue);
    EXPECT_EQ(lookOf("function").colour, red);
    EXPECT_EQ(lookOf("complete.").colour, black);
}

TEST_F(KeywordColouringTest, StopsWithinTheLastTenCharacters) {
    colour("fault abc on");
    EXPECT_EQ(lookOf("fault").colour, red);
    EXPECT_FALSE(lookOf("on").bold);
    EXPECT_EQ(lookOf("on").colour, black);

    colour("on is ten!");
    EXPECT_FALSE(lookOf("on").bold);
}

TEST_F(KeywordColouringTest, StartsAtTheCaretAndPutsItBack) {
    const QString text = "fault first line\nfault second line and more text\n";
    colour(text, 17);
    EXPECT_FALSE(lookOf("fault").bold);
    EXPECT_TRUE(lookOf("fault", 17).bold);
    EXPECT_EQ(edit.textCursor().position(), 17);
    EXPECT_EQ(edit.textColor(), black);
}

} // namespace
