// SPDX-License-Identifier: GPL-3.0-or-later
#include "survey.h"

#include "core/number_text.h"
#include "support_map.h"

#include <set>

namespace obd {

namespace {
const QString kObdLessEcu =
    QStringLiteral("The ECU communicating does not support OBD-II data, you can read/clear "
                   "it's trouble codes or Click 'Change ECU' ");
const QString kLineBreak = QStringLiteral("\r\n");

bool isObdLessEcu(const scan::ObdAnswer& reply) {
    return reply.ecu() == QLatin1String("D0");
}

// The addresses of every ECU in an answer, lowest first: "E8 E9 EA".
QString ecuList(const scan::ObdAnswer& reply) {
    std::set<quint8> addresses;
    for (const scan::EcuAnswer& ecu : reply.ecus())
        addresses.insert(ecu.address);
    QStringList list;
    for (const quint8 address : addresses)
        list << scan::ecuText(address);
    return list.join(QLatin1Char(' '));
}

} // namespace

Survey::Survey(Decoders& decoders, DecoderState& decoder, SurveyState& survey, SurveyView& view)
    : decoders_(decoders), decoder_(decoder), survey_(survey), view_(view),
      freezeFrameCode_(decoders.request(), decoder, survey, view) {}

bool Survey::run() {
    view_.setStatusText(kLineBreak);
    decoders_.request().link().state().NoVehicleLink = false;
    survey_.PIDCount = 0;
    view_.clearDataList();
    survey_.DataLogItems.setStringList({}); // chooser item j always stands for LinePID[j]
    decoder_.useCurrentData();
    view_.setDataListColour(QColor(0, 0, 0));
    survey_.NoFreezeFrame = false;
    survey_.O2MonitorComplete.reset();
    survey_.monitorStatus.reset();
    // What an earlier ECU or an unfinished survey found must not stand for this one.
    survey_.WBO2PID = QStringLiteral("0");
    survey_.O2Present.fill(0);
    survey_.STFTB1Supported = survey_.LTFTB1Supported = survey_.STFTB2Supported =
        survey_.LTFTB2Supported = false;
    interruption_.reset();

    const scan::ObdAnswer reply = requestBitmap(0x00, true);
    settle(reply);
    bool answered = false;
    if (!interruption_) {
        answered = showAnswered(reply);
        view_.setEcuAddressCaption(answered ? QStringLiteral("ECU #=") + reply.ecu() + kLineBreak
                                            : QString());
        if (answered) {
            if (isObdLessEcu(reply)) {
                view_.setStatusText(kObdLessEcu + kLineBreak);
            } else {
                const AskedAhead ahead(decoders_.request(), currentDataPids(0x00, reply, 4));
                findPID1(reply.byte(2));
                findPID2(reply.byte(3));
                findPID3(reply.byte(4));
                findPID4(reply.byte(5));
            }
            survey_.DataLogReady = true;
            view_.setDataLogMenuEnabled(true);
        }
    }
    if (interruption_) {
        view_.appendStatusText(
            scan::interruptionText(*interruption_, QStringLiteral("The survey")) + kLineBreak);
    }

    if (answered && reply.ecus().size() > 1)
        view_.appendStatusText(QStringLiteral("ECUs that answered: ") + ecuList(reply) +
                               kLineBreak);

    const bool wideRangeSensor = survey_.WBO2PID != QLatin1String("0");
    if (wideRangeSensor)
        view_.appendStatusText(QStringLiteral("# of WBO2 Sensors -------- 1\r\n"));
    view_.setAirFuelMenuEnabled(wideRangeSensor);
    view_.setFuelTrimMenuEnabled(survey_.STFTB1Supported);
    view_.setWideRangeLogMenuEnabled(survey_.listed(0x34));
    view_.colourStatusText();
    return answered && !interruption_;
}

std::optional<scan::ObdAnswer> Survey::walkFreezeFrame(int A, int B, int C, int D) {
    interruption_.reset();
    findPID1(A);
    if (!survey_.NoFreezeFrame) {
        findPID2(B);
        findPID3(C);
        findPID4(D);
    }
    return interruption_;
}

void Survey::scanPIDs21() {
    scanRange(0x20,
              {&Survey::findPID_21, &Survey::findPID_29, &Survey::findPID_31, &Survey::findPID_39});
}

// Only the first two bytes of the $40 map are looked at.
void Survey::scanPIDs41() {
    scanRange(0x40, {&Survey::findPID_41, &Survey::findPID_49});
}

void Survey::scanRange(int mapPid, std::initializer_list<void (Survey::*)(int)> dispatchers) {
    const scan::ObdAnswer reply = requestBitmap(mapPid, false);
    settle(reply);
    if (interruption_ || !showAnswered(reply))
        return;
    if (isObdLessEcu(reply)) {
        view_.setStatusText(kObdLessEcu + kLineBreak);
        return;
    }
    const AskedAhead ahead(decoders_.request(),
                           currentDataPids(mapPid, reply, int(dispatchers.size())));
    int index = 2; // the map's bytes follow the response id and the PID
    for (const auto dispatcher : dispatchers)
        (this->*dispatcher)(reply.byte(index++));
}

std::vector<int> Survey::currentDataPids(int mapPid, const scan::ObdAnswer& map, int bytes) const {
    std::vector<int> pids;
    // The freeze frame's walk reads its PIDs in service $02.
    if (decoder_.PIDMode != QLatin1String("01"))
        return pids;
    for (int n = 1; n <= 8 * bytes; ++n) {
        const int pid = mapPid + n;
        if (!map.mapNames(n))
            continue;
        switch (supportAction(pid)) {
        case SupportAction::Nothing:
        case SupportAction::ObdStandard:
        case SupportAction::NextRange20:
        case SupportAction::NextRange40:
            break;
        case SupportAction::Line:
        case SupportAction::TimeSinceStart:
        case SupportAction::AirFlowAndEconomy:
            for (int asked : decoders_.pidsOf(pid))
                pids.push_back(asked);
            break;
        default:
            pids.push_back(pid);
        }
    }
    return pids;
}

scan::ObdAnswer Survey::requestBitmap(int mapPid, bool echo) {
    const scan::ObdAnswer reply =
        decoders_.request().ask({0x01, QByteArray(1, char(mapPid)), 5, {}});
    if (echo && !reply.ended() && decoders_.request().link().state().DebugMode)
        view_.appendStatusText(QStringLiteral("\r\nMode 1, PID 0 = ") + reply.raw());
    return reply;
}

bool Survey::showAnswered(const scan::ObdAnswer& reply) {
    const bool answered = reply.answered();
    view_.setLinkText(answered ? QStringLiteral("ECU Connected") : QStringLiteral("ECU Timeout"));
    view_.setLinkColour(answered ? scan::LinkColour::Green : scan::LinkColour::Red);
    return answered;
}

void Survey::settle(const scan::ObdAnswer& reply) {
    if (reply.ended() && !interruption_)
        interruption_ = reply;
}

void Survey::dispatch(int firstPid, int a) {
    for (int bit = 0; bit < 8 && !interruption_; ++bit) {
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
        settle(decoders_.get_MIL());
        break;
    case SupportAction::FreezeFrameCode:
        settle(freezeFrameCode_.read());
        if (survey_.NoFreezeFrame)
            a = 0;
        break;
    case SupportAction::FuelSystemStatus:
        settle(decoders_.fuelStatus());
        break;
    case SupportAction::FuelTrim: {
        const scan::ObdAnswer reply = decoders_.fuelTrim(pid);
        settle(reply);
        // The bitmap says the trim is there, even when this one request went unanswered.
        bool* const flags[] = {&survey_.STFTB1Supported, &survey_.LTFTB1Supported,
                               &survey_.STFTB2Supported, &survey_.LTFTB2Supported};
        *flags[pid - 0x06] = true;
        break;
    }
    case SupportAction::SecondaryAir:
        settle(decoders_.get_cmd_sec_air_stat());
        break;
    case SupportAction::O2SensorLocations:
        settle(decoders_.get_O2_loc(pid));
        break;
    case SupportAction::ObdStandard:
        decoders_.get_OBD();
        break;
    case SupportAction::TimeSinceStart:
        settle(decoders_.read(pid).answer);
        break;
    case SupportAction::AirFlowAndEconomy:
        if (addLine(pid) && core::leadingNumber(decoder_.PIDValue) > 0)
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

bool Survey::addLine(int code) {
    const Reading reading = decoders_.read(code);
    settle(reading.answer);
    if (!reading.answered()) {
        if (!reading.answer.ended())
            view_.appendStatusText(scan::noAnswerText(reading.answer, reading.name()) + kLineBreak);
        return false;
    }
    if (survey_.PIDCount >= int(survey_.LinePID.size()))
        return true;
    survey_.LinePID[survey_.PIDCount] = code;
    view_.addDataLine(reading.label + reading.value + reading.units);
    const int row = survey_.DataLogItems.rowCount();
    survey_.DataLogItems.insertRows(row, 1);
    survey_.DataLogItems.setData(survey_.DataLogItems.index(row), reading.label);
    ++survey_.PIDCount;
    return true;
}

} // namespace obd
