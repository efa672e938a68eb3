// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>

class QTextEdit;

namespace app {

// Group of a word (compared in lower case): 1-6 for the keyword groups, 0 for any other word.
int keywordGroup(const QString& word);
QColor keywordColour(int group);

// Colours every word of the text from the caret on by its keyword group (keywords also bold),
// stopping once the scan reaches the last 10 characters; the caret is put back afterwards.
void colourKeywords(QTextEdit& edit);

} // namespace app
