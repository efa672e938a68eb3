// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoders.h"

#include "core/number_text.h"
#include "readiness.h"

#include <array>

namespace obd {

namespace {

using core::leadingNumber;
using core::numberText;

const QString kCurrentData = QStringLiteral("01");
const QString kFreezeFrame = QStringLiteral("02");
const QString kLineBreak = QStringLiteral("\r\n");

// Names are padded to 30 characters so that the words line up in the fixed-pitch window.
QString monitorLine(const char* name, bool complete) {
    return QString::fromLatin1(name).leftJustified(30) +
           (complete ? QStringLiteral("Complete") : QStringLiteral("Incomplete")) + kLineBreak;
}

const char* const kFuelSystemTexts[] = {"Open Loop Mode", "Closed Loop Mode", "Open Loop Driving",
                                        "Open Loop with Fault", "Closed Loop with Fault"};

QString fuelSystemLine(int system, int value) {
    for (int i = 0; i < 5; ++i) {
        if (value == (1 << i))
            return QStringLiteral("Fuel Sys%1-%2\r\n")
                .arg(system)
                .arg(QLatin1String(kFuelSystemTexts[i]));
    }
    return {};
}

const char* const kFuelTrimLabels[] = {"Short Term Fuel Trim---- ", "Long Term FT,B1 -------- ",
                                       "Short Term FT,B2 ------- ", "Long Term FT,B2 -------- "};
const char* const kFuelTrimNames[] = {"short term fuel trim", "long term fuel trim",
                                      "short term fuel trim (bank 2)",
                                      "long term fuel trim (bank 2)"};

} // namespace

QString pidText(int pid) {
    return QStringLiteral("%1").arg(pid, 2, 16, QLatin1Char('0')).toUpper();
}

Decoders::Decoders(PidRequest& request, DecoderState& decoder, SurveyState& survey)
    : request_(request), decoder_(decoder), survey_(survey) {}

bool Decoders::decodes(int code) {
    return code == kFuelEconomyCode || isWideRangeO2Pid(code) || valueDecoder(code);
}

// Only a freeze-frame reply carries the frame byte; a decoder that asks for current data reads
// current-data positions whatever survey it runs in.
int Decoders::offsetFor(const QString& service) const {
    return service == kFreezeFrame ? decoder_.PIDOffset : 0;
}

DataBytes Decoders::bytesOf(const scan::ObdAnswer& answer, const QString& service) const {
    // After the response id and the PID (and in a freeze frame the frame number).
    const int first = 2 + offsetFor(service);
    return {answer.byte(first), answer.byte(first + 1), answer.byte(first + 2),
            answer.byte(first + 3)};
}

void Decoders::append(const QString& line) {
    request_.view().appendStatusText(line + kLineBreak);
}

bool Decoders::usable(const scan::ObdAnswer& reply, const QString& what) {
    if (reply.answered())
        return true;
    if (!reply.ended())
        append(scan::noAnswerText(reply, what));
    return false;
}

void Decoders::publish(const Reading& reading) {
    decoder_.PIDValue = reading.value;
    decoder_.PIDNumeric = float(reading.numeric);
    decoder_.PIDUnits = reading.units;
    decoder_.PIDLabel = reading.label;
}

bool Decoders::economyUsesLambda() const {
    const QString& wideRange = survey_.WBO2PID;
    return wideRange.startsWith(QLatin1Char('2')) || wideRange.startsWith(QLatin1Char('3'));
}

std::vector<int> Decoders::pidsOf(int code) const {
    if (code != kFuelEconomyCode)
        return decodes(code) ? std::vector<int>{code} : std::vector<int>{};
    std::vector<int> pids{0x10, 0x0D};
    if (economyUsesLambda())
        pids.push_back(survey_.WBO2PID.toInt(nullptr, 16));
    return pids;
}

Reading Decoders::read(int code) {
    if (code == kFuelEconomyCode)
        return fuelEconomy();
    if (isWideRangeO2Pid(code))
        return readLambda(code);
    if (const ValueDecoder* row = valueDecoder(code))
        return readRow(*row);
    return {};
}

Reading Decoders::readRow(const ValueDecoder& row) {
    const QString service = decoder_.PIDMode;
    Reading reading;
    reading.units = QLatin1String(decoder_.MetricUnits ? row.metricUnits : row.englishUnits);
    reading.label = QLatin1String(row.label);
    reading.answer = request_.askPid(service, pidText(row.pid), row.dataBytes + offsetFor(service));
    if (reading.answered()) {
        const Scaled scaled = row.scale(bytesOf(reading.answer, service), decoder_.MetricUnits);
        reading.value = scaled.value;
        reading.numeric = scaled.numeric;
        publish(reading);
    }
    return reading;
}

Reading Decoders::get_WBO2_lambda(const QString& service, const QString& pid) {
    Reading reading;
    reading.answer = request_.askPid(service, pid, 4 + offsetFor(service));
    if (reading.answered()) {
        const DataBytes b = bytesOf(reading.answer, service);
        const double lambda = lambdaOf(b.A, b.B);
        reading.numeric = float(lambda);
        reading.value = numberText(lambda);
        decoder_.PIDNumeric = float(reading.numeric);
        decoder_.PIDValue = reading.value;
    }
    return reading;
}

Reading Decoders::get_WBO2_current(const QString& service, const QString& pid) {
    Reading reading = get_WBO2_lambda(service, pid);
    if (reading.answered()) {
        const DataBytes b = bytesOf(reading.answer, service);
        reading.numeric = float(sensorCurrentOf(b.C, b.D));
        decoder_.PIDNumeric = float(reading.numeric);
    }
    return reading;
}

Reading Decoders::readLambda(int pid) {
    survey_.WBO2PID = pidText(pid);
    Reading reading = get_WBO2_lambda(decoder_.PIDMode, survey_.WBO2PID);
    reading.units = QStringLiteral(" Lambda");
    reading.label = wideRangeLabel(pid);
    if (reading.answered()) {
        const double lambda = leadingNumber(reading.value);
        reading.numeric = float(lambda);
        reading.value =
            pid == 0x39 ? numberText(lambda, core::Precision::Single) : numberText(lambda);
        publish(reading);
    }
    return reading;
}

Reading Decoders::fuelEconomy() {
    Reading economy;
    economy.units = decoder_.MetricUnits ? QStringLiteral("Km/L") : QStringLiteral("MPG");
    economy.label = decoder_.MetricUnits ? QStringLiteral("Fuel Consumption ------- ")
                                         : QStringLiteral("Gas Mileage ------------ ");
    const Reading air = read(0x10);
    economy.answer = air.answer;
    if (!air.answered())
        return economy;
    const Reading speed = read(0x0D);
    economy.answer = speed.answer;
    if (!speed.answered())
        return economy;
    const double m = leadingNumber(air.value);
    const double v = float(leadingNumber(speed.value));
    double e = v / ((m + 0.001) * 0.0642);
    if (decoder_.MetricUnits)
        e = e / 3.76 * 0.61;
    if (economyUsesLambda()) {
        const Reading lambda = get_WBO2_lambda(decoder_.PIDMode, survey_.WBO2PID);
        economy.answer = lambda.answer;
        if (!lambda.answered())
            return economy;
        e *= leadingNumber(lambda.value);
    }
    economy.value = core::left(numberText(e), 5);
    economy.numeric = float(leadingNumber(economy.value));
    publish(economy);
    return economy;
}

scan::ObdAnswer Decoders::get_MIL() {
    const scan::ObdAnswer reply = request_.askPid(kCurrentData, QStringLiteral("01"), 4);
    if (!usable(reply, QStringLiteral("monitor status")))
        return reply;
    const MonitorStatus status = MonitorStatus::of(quint8(reply.byte(2)), quint8(reply.byte(3)),
                                                   quint8(reply.byte(4)), quint8(reply.byte(5)));
    QString text =
        status.milOn
            ? QStringLiteral("MIL is ON Stored Trouble Codes Present")
            : QStringLiteral("MIL is OFF %1 stored Trouble Code(s)").arg(status.storedCodes);
    text += kLineBreak;
    for (const Monitor& monitor : status.monitors)
        text += monitorLine(monitor.name, monitor.complete);
    survey_.O2MonitorComplete = status.o2SensorComplete;
    survey_.monitorStatus = status;
    request_.view().setStatusText(text);
    return reply;
}

scan::ObdAnswer Decoders::fuelStatus() {
    const QString service = decoder_.PIDMode;
    const scan::ObdAnswer reply =
        request_.askPid(service, QStringLiteral("03"), 2 + offsetFor(service));
    if (usable(reply, QStringLiteral("fuel system status"))) {
        const DataBytes b = bytesOf(reply, service);
        request_.view().appendStatusText(fuelSystemLine(1, b.A) + fuelSystemLine(2, b.B) +
                                         kLineBreak);
    }
    return reply;
}

scan::ObdAnswer Decoders::fuelTrim(int pid) {
    const QString service = decoder_.PIDMode;
    const scan::ObdAnswer reply = request_.askPid(service, pidText(pid), 1 + offsetFor(service));
    if (usable(reply, QLatin1String(kFuelTrimNames[pid - 0x06]))) {
        const int A = bytesOf(reply, service).A;
        append(QLatin1String(kFuelTrimLabels[pid - 0x06]) +
               numberText(double(core::wholePart(A / 128.0 * 100) - 100)) + QStringLiteral("%"));
    }
    return reply;
}

scan::ObdAnswer Decoders::get_cmd_sec_air_stat() {
    const QString service = decoder_.PIDMode;
    const scan::ObdAnswer reply =
        request_.askPid(service, QStringLiteral("12"), 1 + offsetFor(service));
    if (usable(reply, QStringLiteral("secondary air status")))
        append(QStringLiteral("Cmd Sec. Air Status ---- ") + numberText(bytesOf(reply, service).A));
    return reply;
}

scan::ObdAnswer Decoders::get_O2_loc(int pid) {
    const scan::ObdAnswer reply = request_.askPid(kCurrentData, pidText(pid), 1);
    if (!usable(reply, QStringLiteral("O2 sensor location")))
        return reply;
    const int A = reply.byte(2);
    int count = 0;
    for (int k = 7; k >= 0; --k) {
        if (A & (1 << k)) {
            ++count;
            survey_.O2Present[k] = 1 << k;
        }
    }
    survey_.O2SensorsInFourBanks = pid == 0x1D;
    append(QStringLiteral("# of O2 Sensors -------- ") + numberText(count));
    return reply;
}

void Decoders::get_OBD() {
    append(QStringLiteral("OBDII"));
}

} // namespace obd
