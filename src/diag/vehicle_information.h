// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/driver.h"
#include "link/scan_tool_link.h"

#include <QRandomGenerator>
#include <QStringList>

#include <optional>

namespace diag {

// One item of the vehicle information: what the ECU gave, or why there is nothing to show.
struct InfoItem {
    enum class State { NotReported, Answered, NoAnswer };
    State state = State::NotReported;
    QStringList values; // answered: each value (several calibration IDs, one each)
    QString noAnswer;   // no answer: the line that says so
};

// What the ECU says about itself (service $09): its VIN, calibration IDs, calibration
// verification numbers and name.
struct VehicleInfo {
    InfoItem vin;
    InfoItem calibrationIds;
    InfoItem cvns;
    InfoItem ecuName;
    // The scan tool cannot ask for it: why not; nothing was asked.
    QString unavailable;

    // The VIN, when the ECU gave a valid one.
    std::optional<QString> validVin() const;
    // The status window's lines: "VIN: 1FTFW1ET5DFC10312", one line per other value.
    QStringList statusLines() const;
    // The report's lines: the item's name, a tab and the value (or "not reported").
    QStringList reportLines() const;
};

// Reads the vehicle information of the current ECU: its support map, then each item it offers.
// An item asked and not answered, or answered with anything but a valid value (a VIN of 17
// characters from the VIN alphabet, printable identifiers), is counted unanswered and never
// shown.
class VehicleInformation {
public:
    VehicleInformation(scan::ScanToolLink& link, scan::Driver& driver)
        : link_(link), driver_(driver) {}

    VehicleInfo read();

private:
    scan::ScanToolLink& link_;
    scan::Driver& driver_;
};

// Whether the text is a VIN: 17 characters, digits and capitals other than I, O and Q.
bool isVin(const QString& text);
// The check digit (the ninth character, 0-9 or X) that the other sixteen of a VIN call for.
QChar vinCheckDigit(const QString& vin);
// A made-up VIN in place of `vin`: the maker (characters 1-3), the 7th and the model year (the
// 10th) kept, the others drawn from `random`, the check digit made to hold.
QString anonymousVin(const QString& vin, QRandomGenerator& random);

} // namespace diag
