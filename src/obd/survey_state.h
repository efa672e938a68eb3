// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "readiness.h"

#include <QString>
#include <QStringListModel>

#include <algorithm>
#include <array>
#include <optional>

namespace obd {

// What the vehicle data survey learned about the vehicle.
struct SurveyState {
    QString WBO2PID = QStringLiteral("0"); // PID of the last wide-range O2 sensor, "0" when none
    bool DataLogReady = false;             // the logger's item lists are built
    std::array<int, 91> LinePID{};         // item code of each vehicle data line
    int PIDCount = 0;                      // lines in the vehicle data list
    bool NoFreezeFrame = false;
    bool STFTB1Supported = false;
    bool LTFTB1Supported = false;
    bool STFTB2Supported = false;
    bool LTFTB2Supported = false;
    // Whether the O2 sensor monitor is complete, as this survey's monitor status said; nothing
    // when no status was answered.
    std::optional<bool> O2MonitorComplete;
    // This survey's monitor status; nothing when none was answered.
    std::optional<MonitorStatus> monitorStatus;
    std::array<int, 8> O2Present{}; // entry k is 2^k once PID $13 or $1D reported sensor k
    // The sensors came from PID $1D: position k is bank k / 2 + 1, sensor k % 2 + 1 (from $13:
    // bank k / 4 + 1, sensor k % 4 + 1).
    bool O2SensorsInFourBanks = false;
    // The data logger's choosers offer these items: entry j stands for LinePID[j].
    QStringListModel DataLogItems;

    // Whether the vehicle data list has a line for the item code.
    bool listed(int code) const {
        return std::find(LinePID.begin(), LinePID.begin() + PIDCount, code) !=
               LinePID.begin() + PIDCount;
    }
};

} // namespace obd
