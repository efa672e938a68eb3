// SPDX-License-Identifier: GPL-3.0-or-later
#include "keyword_colouring.h"

#include <QTextCursor>
#include <QTextEdit>

#include <array>
#include <initializer_list>

namespace app {

namespace {

struct KeywordGroup {
    QColor colour;
    std::initializer_list<const char*> words;
};

const std::array<KeywordGroup, 7>& groups() {
    static const std::array<KeywordGroup, 7> table{{
        {QColor(0, 0, 0), {}},
        {QColor(255, 0, 0), {"incomplete", "on", "fault", "function"}},
        {QColor(255, 140, 0), {}},
        {QColor(210, 105, 30), {"integer", "lo", "string"}},
        {QColor(0, 128, 0), {"complete", "off"}},
        {QColor(153, 50, 204), {"private", "public"}},
        {QColor(0, 0, 255), {"o2", "egr", "with"}},
    }};
    return table;
}

bool isDelimiter(QChar c) {
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t') ||
           c == QLatin1Char(' ') || c == QLatin1Char('(') || c == QLatin1Char(')');
}

} // namespace

int keywordGroup(const QString& word) {
    const QString lower = word.toLower();
    for (int g = 1; g < int(groups().size()); ++g) {
        for (const char* keyword : groups()[g].words) {
            if (lower == QLatin1String(keyword))
                return g;
        }
    }
    return 0;
}

QColor keywordColour(int group) {
    return groups().at(group).colour;
}

void colourKeywords(QTextEdit& edit) {
    const QString text = edit.document()->toPlainText();
    const int length = int(text.size());
    const int caret = edit.textCursor().selectionStart();

    QTextCursor cursor(edit.document());
    cursor.beginEditBlock();
    // `pos` is 0-based; the scan stops once its 1-based position is within 10 of the end.
    for (int pos = caret; pos + 1 < length - 10;) {
        int start = pos;
        while (start < length && text[start].unicode() < '0')
            ++start;
        if (start >= length)
            break;
        int end = start;
        while (end < length && !isDelimiter(text[end]))
            ++end;
        while (start > 0 && !isDelimiter(text[start - 1]))
            --start;

        const int group = keywordGroup(text.mid(start, end - start));
        QTextCharFormat format;
        format.setForeground(keywordColour(group));
        format.setFontWeight(group == 0 ? QFont::Normal : QFont::Bold);
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(format);
        pos = end;
    }
    cursor.endEditBlock();

    QTextCursor restored(edit.document());
    restored.setPosition(std::min(caret, int(edit.document()->characterCount()) - 1));
    edit.setTextCursor(restored);
    // Further typing, and text put in later, looks like an ordinary word.
    QTextCharFormat ordinary;
    ordinary.setForeground(keywordColour(0));
    ordinary.setFontWeight(QFont::Normal);
    edit.mergeCurrentCharFormat(ordinary);
}

} // namespace app
