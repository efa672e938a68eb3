// SPDX-License-Identifier: GPL-3.0-or-later
#include "air_fuel_meter.h"

#include "core/number_text.h"

namespace monitor {

namespace {
// This meter's stoichiometric ratio; the wide-range O2 log uses its own.
constexpr double kStoichiometric = 14.62;
constexpr int kEngineSpeedPid = 0x0C;
} // namespace

QString airFuelRatioText(double lambda) {
    return core::formatNumber(lambda * kStoichiometric, QStringLiteral("00.00")) +
           QStringLiteral(" A/F");
}

QString engineSpeedText(double rpm) {
    return core::formatNumber(rpm, QStringLiteral("##000")) + QStringLiteral("  RPM ");
}

bool AirFuelMeter::hasSensor() const {
    return survey_.WBO2PID != QLatin1String("0");
}

QString AirFuelMeter::noSensorText() {
    return QStringLiteral("No wide-range O2 sensor was found on this vehicle.");
}

AirFuelFrame AirFuelMeter::pass() {
    AirFuelFrame frame;
    const obd::Reading lambda = decoders_.get_WBO2_lambda(QStringLiteral("01"), survey_.WBO2PID);
    frame.ratio = lambda.answered()
                      ? MeterText{airFuelRatioText(lambda.numeric), true}
                      : MeterText{scan::noAnswerText(lambda.answer, QStringLiteral("lambda"))};
    const obd::Reading rpm = decoders_.read(kEngineSpeedPid);
    frame.engineSpeed =
        rpm.answered() ? MeterText{engineSpeedText(core::leadingNumber(rpm.value)), true}
                       : MeterText{scan::noAnswerText(rpm.answer, QStringLiteral("engine speed"))};
    return frame;
}

} // namespace monitor
