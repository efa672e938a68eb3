#include "decoders.h"

#include "core/number_text.h"

#include <array>

namespace obd {

namespace {

using core::leadingNumber;
using core::numberText;

const QString kCurrentData = QStringLiteral("01");
const QString kFreezeFrame = QStringLiteral("02");
const QString kLineBreak = QStringLiteral("\r\n");

int byteAt(const QString& reply, int position) {
    return scan::conv_hex(core::mid(reply, position, 2));
}

struct MonitorRow {
    int supportByte; // 1 = B, 2 = C
    int supportBit;
    int incompleteByte; // 1 = B, 3 = D
    int incompleteBit;
    const char* name; // padded to 30 characters
};

const std::array<MonitorRow, 11> kMonitors{{
    {1, 1, 1, 16, "Misfire Monitoring            "},
    {1, 2, 1, 32, "Fuel Sys. Monitoring          "},
    {1, 4, 1, 64, "Component Monitoring          "},
    {2, 1, 3, 1, "Catalyst Monitoring           "},
    {2, 2, 3, 2, "Heated Catalyst Monitoring    "},
    {2, 4, 3, 4, "Evaporative System Monitoring "},
    {2, 8, 3, 8, "Sec. Air System Monitoring    "},
    {2, 16, 3, 16, "A/C Refrigerant Monitoring    "},
    {2, 32, 3, 32, "O2 Sensor Monitoring          "},
    {2, 64, 3, 64, "O2 Sensor Heater Monitoring   "},
    {2, 128, 3, 128, "EGR Monitoring                "},
}};
constexpr int kO2MonitorRow = 8;

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

DataBytes Decoders::bytesOf(const QString& reply, const QString& service) const {
    const int first = 12 + 2 * offsetFor(service);
    return {byteAt(reply, first), byteAt(reply, first + 2), byteAt(reply, first + 4),
            byteAt(reply, first + 6)};
}

void Decoders::append(const QString& line) {
    request_.view().appendStatusText(line + kLineBreak);
}

QString Decoders::decode(int code) {
    if (code == kFuelEconomyCode)
        return get_mpg();
    if (isWideRangeO2Pid(code))
        return decodeLambda(code);
    if (const ValueDecoder* row = valueDecoder(code))
        return decodeRow(*row);
    return decoder_.PIDValue;
}

QString Decoders::decodeRow(const ValueDecoder& row) {
    if (row.rule == ServiceRule::Sets01)
        decoder_.PIDMode = kCurrentData;
    const QString service = row.rule == ServiceRule::Fixed01 ? kCurrentData : decoder_.PIDMode;
    const QString reply =
        request_.get_ecu_PID(service, pidText(row.pid), row.replyLength + offsetFor(service));
    const Reading reading = row.scale(bytesOf(reply, service), decoder_.MetricUnits);
    decoder_.PIDValue = reading.value;
    decoder_.PIDNumeric = float(reading.numeric);
    decoder_.PIDUnits = QLatin1String(decoder_.MetricUnits ? row.metricUnits : row.englishUnits);
    decoder_.PIDLabel = QLatin1String(row.label);
    return decoder_.PIDValue;
}

QString Decoders::get_WBO2_lambda(const QString& service, const QString& pid) {
    const QString reply = request_.get_ecu_PID(service, pid, 9 + offsetFor(service));
    const DataBytes b = bytesOf(reply, service);
    const double lambda = lambdaOf(b.A, b.B);
    decoder_.PIDNumeric = float(lambda);
    decoder_.PIDValue = numberText(lambda);
    return decoder_.PIDValue;
}

QString Decoders::get_WBO2_current(const QString& service, const QString& pid) {
    const QString reply = request_.get_ecu_PID(service, pid, 9 + offsetFor(service));
    const DataBytes b = bytesOf(reply, service);
    decoder_.PIDValue = numberText(lambdaOf(b.A, b.B));
    decoder_.PIDNumeric = float(sensorCurrentOf(b.C, b.D));
    return decoder_.PIDValue;
}

QString Decoders::decodeLambda(int pid) {
    survey_.WBO2PID = pidText(pid);
    const double lambda = leadingNumber(get_WBO2_lambda(kCurrentData, survey_.WBO2PID));
    decoder_.PIDNumeric = float(lambda);
    decoder_.PIDValue =
        pid == 0x39 ? numberText(lambda, core::Precision::Single) : numberText(lambda);
    decoder_.PIDUnits = QStringLiteral(" Lambda");
    decoder_.PIDLabel = wideRangeLabel(pid);
    return decoder_.PIDValue;
}

QString Decoders::get_mpg() {
    decode(0x10);
    const double m = leadingNumber(decoder_.PIDValue);
    decode(0x0D);
    const double v = float(leadingNumber(decoder_.PIDValue));
    double e = v / ((m + 0.001) * 0.0642);
    if (decoder_.MetricUnits)
        e = e / 3.76 * 0.61;
    const QString wideRange = survey_.WBO2PID;
    if (wideRange.startsWith(QLatin1Char('2')))
        e *= leadingNumber(get_WBO2_lambda(kCurrentData, wideRange));
    if (wideRange.startsWith(QLatin1Char('3')))
        e *= leadingNumber(get_WBO2_lambda(kCurrentData, wideRange));
    decoder_.PIDValue = core::left(numberText(e), 5);
    decoder_.PIDNumeric = float(leadingNumber(decoder_.PIDValue));
    decoder_.PIDUnits = decoder_.MetricUnits ? QStringLiteral("Km/L") : QStringLiteral("MPG");
    decoder_.PIDLabel = decoder_.MetricUnits ? QStringLiteral("Fuel Consumption ------- ")
                                             : QStringLiteral("Gas Mileage ------------ ");
    return decoder_.PIDValue;
}

void Decoders::get_MIL() {
    const QString reply = request_.get_ecu_PID(kCurrentData, QStringLiteral("01"), 9);
    const int bytes[] = {byteAt(reply, 12), byteAt(reply, 14), byteAt(reply, 16),
                         byteAt(reply, 18)};
    QString text = bytes[0] > 127
                       ? QStringLiteral("MIL is ON Stored Trouble Codes Present")
                       : QStringLiteral("MIL is OFF %1 stored Trouble Code(s)").arg(bytes[0]);
    text += kLineBreak;
    for (int i = 0; i < int(kMonitors.size()); ++i) {
        const MonitorRow& m = kMonitors[i];
        if (!(bytes[m.supportByte] & m.supportBit))
            continue;
        const bool complete = !(bytes[m.incompleteByte] & m.incompleteBit);
        text += QLatin1String(m.name) +
                (complete ? QStringLiteral("Complete") : QStringLiteral("Incomplete")) + kLineBreak;
        if (i == kO2MonitorRow)
            survey_.O2MonitorComplete = complete;
    }
    request_.view().setStatusText(text);
}

void Decoders::get_fuel_status() {
    const QString service = decoder_.PIDMode;
    const QString reply =
        request_.get_ecu_PID(service, QStringLiteral("03"), 7 + offsetFor(service));
    const DataBytes b = bytesOf(reply, service);
    request_.view().appendStatusText(fuelSystemLine(1, b.A) + fuelSystemLine(2, b.B) + kLineBreak);
}

void Decoders::fuelTrim(int pid) {
    const QString service = decoder_.PIDMode;
    const QString reply = request_.get_ecu_PID(service, pidText(pid), 6 + offsetFor(service));
    const int A = bytesOf(reply, service).A;
    append(QLatin1String(kFuelTrimLabels[pid - 0x06]) +
           numberText(double(core::wholePart(A / 128.0 * 100) - 100)) + QStringLiteral("%"));
}

void Decoders::get_cmd_sec_air_stat() {
    const QString reply = request_.get_ecu_PID(kCurrentData, QStringLiteral("12"), 6);
    append(QStringLiteral("Cmd Sec. Air Status ---- ") + numberText(byteAt(reply, 12)));
}

int Decoders::get_O2_sensors() {
    const QString reply = request_.get_ecu_PID(kCurrentData, QStringLiteral("13"), 6);
    const int A = byteAt(reply, 12);
    int count = 0;
    for (int k = 7; k >= 0; --k) {
        if (A & (1 << k)) {
            ++count;
            survey_.O2Present[k] = 1 << k;
        }
    }
    return count;
}

void Decoders::get_O2_loc() {
    append(QStringLiteral("# of O2 Sensors -------- ") + numberText(get_O2_sensors()));
}

void Decoders::get_OBD() {
    append(QStringLiteral("OBDII"));
}

} // namespace obd
