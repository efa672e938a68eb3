// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"

#include <QStringList>

namespace diag {

// The text shown next to each trouble code, read from troublecode.tcf: one definition per line,
// the five-character code in columns 1-5, the whole line being the text shown.
class TroubleCodeDefinitions {
public:
    // Reads the first location that opens. A location that cannot be opened or read is reported;
    // after the first failure the next location is tried, after the second loading stops.
    void load(const QStringList& locations, core::Prompter& prompter);

    // The first line whose columns 1-5 equal the code (case-sensitive), or
    // "Trouble code definition not found".
    QString definitionOf(const QString& code) const;

    const QStringList& lines() const { return lines_; }

private:
    QStringList lines_;
};

// Where troublecode.tcf is looked for, in order: an installed copy's shared data beside its bin
// folder (../share/vamrick) when there is one, else beside the executable (the build folder);
// then the shared data folder of the prefix the build was configured for. An override replaces
// the first location.
QStringList definitionLocations(const QString& applicationDir, const QString& overridePath = {});

} // namespace diag
