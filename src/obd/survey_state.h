#pragma once

#include <QString>

namespace obd {

// What the vehicle data survey learned about the vehicle.
struct SurveyState {
    QString WBO2PID = QStringLiteral("0"); // PID of the last wide-range O2 sensor, "0" when none
    bool DataLogReady = false;             // the logger's item lists are built
};

} // namespace obd
