// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/request.h"

#include <QString>

namespace obd {

// What one decoder read: the value text as shown, its units and label, its numeric companion for
// meters and charts, and the answer it came from. Only an answered reading has a value.
struct Reading {
    QString value;
    QString units;
    QString label;
    double numeric = 0;
    scan::ObdAnswer answer;

    bool answered() const { return answer.answered(); }
    // The label as a sentence names it: "Engine RPM ------------- " is "Engine RPM".
    QString name() const;
};

} // namespace obd
