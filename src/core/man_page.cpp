// SPDX-License-Identifier: GPL-3.0-or-later
#include "man_page.h"

#include <QRegularExpression>
#include <QStringList>

namespace core {

namespace {

// Text as roff reads it literally: backslashes and hyphens escaped, no line taken for a request.
QString roff(QString text) {
    text.replace(QLatin1Char('\\'), QStringLiteral("\\e"))
        .replace(QLatin1Char('-'), QStringLiteral("\\-"));
    if (text.startsWith(QLatin1Char('.')) || text.startsWith(QLatin1Char('\'')))
        text.prepend(QStringLiteral("\\&"));
    return text;
}

} // namespace

QCommandLineOption manPageOption() {
    QCommandLineOption option(QStringLiteral("man-page"),
                              QStringLiteral("Print the manual page in roff and exit."));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

QString manPage(const QString& program, const QString& version, const QString& helpText) {
    const QStringList lines = helpText.split(QLatin1Char('\n'));
    QString page = QStringLiteral(".TH %1 1 \"\" \"%2\" \"User Commands\"\n")
                       .arg(roff(program.toUpper()), roff(program + QLatin1Char(' ') + version));
    qsizetype at = 0;
    const QString usage = lines.value(at++).section(QLatin1Char(' '), 2);
    QStringList description;
    while (at < lines.size() && !lines[at].trimmed().isEmpty())
        description << lines[at++].trimmed();
    page += QStringLiteral(".SH NAME\n%1 \\- %2\n")
                .arg(roff(program), roff(description.join(QLatin1Char(' '))));
    page += QStringLiteral(".SH SYNOPSIS\n.B %1\n%2\n").arg(roff(program), roff(usage));
    while (at < lines.size() && lines[at].trimmed() != QLatin1String("Options:"))
        ++at;
    ++at;
    // "  -h, --help      Show ..." starts an entry; deeper indented lines carry it on.
    static const QRegularExpression entry(QStringLiteral("^  (-\\S.*?)(?:\\s{2,}(.*))?$"));
    page += QStringLiteral(".SH OPTIONS\n");
    for (; at < lines.size() && !lines[at].trimmed().isEmpty(); ++at) {
        const QRegularExpressionMatch match = entry.match(lines[at]);
        if (match.hasMatch())
            page += QStringLiteral(".TP\n.B %1\n").arg(roff(match.captured(1)));
        const QString text = match.hasMatch() ? match.captured(2) : lines[at].trimmed();
        if (!text.isEmpty())
            page += roff(text) + QLatin1Char('\n');
    }
    QStringList notes;
    for (; at < lines.size(); ++at)
        notes << (lines[at].trimmed().isEmpty() ? QStringLiteral(".PP")
                                                : roff(lines[at].trimmed()));
    while (!notes.isEmpty() && notes.first() == QLatin1String(".PP"))
        notes.removeFirst();
    while (!notes.isEmpty() && notes.last() == QLatin1String(".PP"))
        notes.removeLast();
    if (!notes.isEmpty())
        page += QStringLiteral(".SH NOTES\n") + notes.join(QLatin1Char('\n')) + QLatin1Char('\n');
    return page;
}

} // namespace core
