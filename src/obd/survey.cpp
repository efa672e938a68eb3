#include "survey.h"

#include "core/number_text.h"
#include "support_map.h"

namespace obd {

namespace {
// A scan tool that keeps answering out of step gets this many tries, then counts as silent.
constexpr int kTries = 3;
const QString kObdLessEcu =
    QStringLiteral("The ECU communicating does not support OBD-II data, you can read/clear "
                   "it's trouble codes or Click 'Change ECU' ");
} // namespace

Survey::Survey(Decoders& decoders, DecoderState& decoder, SurveyState& survey, SurveyView& view)
    : decoders_(decoders), decoder_(decoder), survey_(survey), view_(view) {}

void Survey::Mode1_Click() {
    scan::ScanToolLink& link = decoders_.request().link();
    view_.setStatusText(QStringLiteral("\r\n"));
    link.state().NoVehicleLink = false;
    survey_.PIDCount = 0;
    view_.clearDataList();
    survey_.DataLogItems.setStringList({}); // chooser item j always stands for LinePID[j]
    decoder_.PIDMode = QStringLiteral("01");
    decoder_.PIDOffset = 0;
    view_.setDataListColour(QColor(0, 0, 0));
    survey_.NoFreezeFrame = false;
    survey_.STFTB1Supported = survey_.LTFTB1Supported = survey_.STFTB2Supported =
        survey_.LTFTB2Supported = false;

    link.OBDwait();
    if (!link.state().NoVehicleLink) {
        const QString reply = requestBitmap(QStringLiteral("010009"), true);
        const bool answered = showAnswered(reply);
        view_.setEcuAddressCaption(QStringLiteral("ECU #=") + core::mid(reply, 6, 2));
        if (answered) {
            if (isObdLessEcu(reply)) {
                view_.setStatusText(kObdLessEcu);
            } else {
                const auto byte = [&reply](int position) {
                    return scan::conv_hex(core::mid(reply, position, 2));
                };
                findPID1(byte(12));
                findPID2(byte(14));
                findPID3(byte(16));
                findPID4(byte(18));
            }
            survey_.DataLogReady = true;
            view_.setDataLogMenuEnabled(true);
        }
    }

    if (survey_.WBO2PID != QLatin1String("0")) {
        view_.setAirFuelMenuEnabled(true);
        view_.appendStatusText(QStringLiteral("# of WBO2 Sensors -------- 1\r\n"));
    }
    if (survey_.STFTB1Supported)
        view_.setFuelTrimMenuEnabled(true);
    view_.colourStatusText();
    view_.surveyFinished();
}

void Survey::scanPIDs21() {
    scanRange(QStringLiteral("012009"),
              {&Survey::findPID_21, &Survey::findPID_29, &Survey::findPID_31, &Survey::findPID_39});
}

// Only the first two bytes of the $40 map are looked at.
void Survey::scanPIDs41() {
    scanRange(QStringLiteral("014009"), {&Survey::findPID_41, &Survey::findPID_49});
}

void Survey::scanRange(const QString& command,
                       std::initializer_list<void (Survey::*)(int)> dispatchers) {
    scan::ScanToolLink& link = decoders_.request().link();
    link.OBDwait();
    if (link.state().NoVehicleLink)
        return;
    const QString reply = requestBitmap(command, false);
    if (!showAnswered(reply))
        return;
    if (isObdLessEcu(reply)) {
        view_.setStatusText(kObdLessEcu);
        return;
    }
    int position = 12;
    for (const auto dispatcher : dispatchers) {
        (this->*dispatcher)(scan::conv_hex(core::mid(reply, position, 2)));
        position += 2;
    }
}

QString Survey::requestBitmap(const QString& command, bool checkMarkers) {
    scan::ScanToolLink& link = decoders_.request().link();
    for (int attempt = 0; attempt < kTries; ++attempt) {
        // The input is emptied before the command goes out, so no part of the reply is lost.
        link.OBDinput();
        link.OBDoutput(command);
        QString reply = link.readReply(18);
        if (!checkMarkers)
            return reply;
        if (link.state().DebugMode)
            view_.appendStatusText(QStringLiteral("\r\nMode 1, PID 0 = ") + reply);
        if (core::mid(reply, 3, 1) == QLatin1String("S"))
            continue;
        if (core::mid(reply, 1, 1) == QLatin1String("S"))
            reply = core::mid(reply, 2, 19);
        return reply;
    }
    return {};
}

bool Survey::showAnswered(const QString& reply) {
    // No reply at all within the timeout counts as a timeout, not as a connected ECU.
    const bool answered = !reply.isEmpty() && core::mid(reply, 2, 1) != QLatin1String("S");
    if (!answered)
        decoders_.request().link().noteUnanswered();
    view_.setLinkText(answered ? QStringLiteral("ECU Connected") : QStringLiteral("ECU Timeout"));
    view_.setLinkColour(answered ? scan::LinkColour::Green : scan::LinkColour::Red);
    return answered;
}

bool Survey::isObdLessEcu(const QString& reply) {
    return core::mid(reply, 6, 2) == QLatin1String("D0");
}

void Survey::dispatch(int firstPid, int a) {
    for (int bit = 0; bit < 8; ++bit) {
        const int v = 128 >> bit;
        const bool last = bit == 7;
        if (last ? a > 0 : a > v - 1) {
            act(firstPid + bit, a);
            if (!last)
                a -= v;
        }
    }
}

void Survey::act(int pid, int& a) {
    switch (supportAction(pid)) {
    case SupportAction::Nothing:
        break;
    case SupportAction::Line:
        addLine(pid);
        break;
    case SupportAction::MonitorStatus:
        decoders_.get_MIL();
        break;
    case SupportAction::FreezeFrameCode:
        view_.freezeFrameTroubleCode();
        if (survey_.NoFreezeFrame)
            a = 0;
        break;
    case SupportAction::FuelSystemStatus:
        decoders_.get_fuel_status();
        break;
    case SupportAction::FuelTrim: {
        decoders_.fuelTrim(pid);
        bool* const flags[] = {&survey_.STFTB1Supported, &survey_.LTFTB1Supported,
                               &survey_.STFTB2Supported, &survey_.LTFTB2Supported};
        *flags[pid - 0x06] = true;
        break;
    }
    case SupportAction::SecondaryAir:
        decoders_.get_cmd_sec_air_stat();
        break;
    case SupportAction::O2SensorLocations:
        decoders_.get_O2_loc();
        break;
    case SupportAction::ObdStandard:
        decoders_.get_OBD();
        break;
    case SupportAction::TimeSinceStart:
        decoders_.decode(pid);
        break;
    case SupportAction::AirFlowAndEconomy:
        addLine(pid);
        if (core::leadingNumber(decoder_.PIDValue) > 0)
            addLine(kFuelEconomyCode);
        break;
    case SupportAction::NextRange20:
        scanPIDs21();
        break;
    case SupportAction::NextRange40:
        scanPIDs41();
        break;
    }
}

void Survey::addLine(int code) {
    const QString value = decoders_.decode(code);
    if (survey_.PIDCount >= int(survey_.LinePID.size()))
        return;
    survey_.LinePID[survey_.PIDCount] = code;
    view_.addDataLine(decoder_.PIDLabel + value + decoder_.PIDUnits);
    const int row = survey_.DataLogItems.rowCount();
    survey_.DataLogItems.insertRows(row, 1);
    survey_.DataLogItems.setData(survey_.DataLogItems.index(row), decoder_.PIDLabel);
    ++survey_.PIDCount;
}

} // namespace obd
