// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineOption>
#include <QString>

namespace core {

// A manual page in roff for a program, made from its --help text as Qt's command line parser
// writes it (a usage line, the description, "Options:" and one entry an option, then any notes),
// so that the page and --help cannot tell different stories.
QString manPage(const QString& program, const QString& version, const QString& helpText);

// "--man-page", hidden from --help: the build runs each program with it to write its page.
QCommandLineOption manPageOption();

} // namespace core
