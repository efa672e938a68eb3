// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag/monitor_results.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

// One test record: monitor, test, unit-and-scaling ID, value, minimum, maximum.
QByteArray record(quint8 monitor, quint8 test, quint8 unit, quint16 value, quint16 minimum,
                  quint16 maximum) {
    QByteArray bytes;
    bytes.append(char(monitor)).append(char(test)).append(char(unit));
    for (const quint16 word : {value, minimum, maximum})
        bytes.append(char(word >> 8)).append(char(word & 0xFF));
    return bytes;
}

QStringList lines(const QByteArray& records, quint8 monitor) {
    const auto results = diag::monitorResults(QByteArray(1, 0x46) + records, monitor);
    if (!results)
        return {"no answer"};
    QStringList shown;
    for (const diag::MonitorResult& result : *results)
        shown << diag::resultLine(result);
    return shown;
}

TEST(MonitorResultsTest, UnitsScaleSignedOrUnsignedAndTheVerdictHoldsAtEachLimit) {
    EXPECT_EQ(lines(record(0x01, 0x8E, 0x0B, 551, 169, 19898) +
                        record(0x01, 0x01, 0x0A, 0xFFFF, 0, 0xFFFF),
                    0x01),
              QStringList({"O2 Sensor Monitor Bank 1 - Sensor 1\t$8E\t0.551 V\t0.169\t19.898\tPASS",
                           "O2 Sensor Monitor Bank 1 - Sensor 1\t$01\t7995.270 mV\t0.000\t"
                           "7995.270\tPASS"}));
    // $8D and $81 read the words as signed: -1 lies between -32768 and 0.
    EXPECT_EQ(lines(record(0x41, 0x05, 0x8D, 0xFFFF, 0x8000, 0), 0x41),
              QStringList({"O2 Sensor Heater Monitor Bank 1 - Sensor 1\t$05\t-0.00390625 mA\t"
                           "-128.00000000\t0.00000000\tPASS"}));
    EXPECT_TRUE(lines(record(0xA2, 0x0B, 0x81, 0xFFFB, 0xFFF6, 0), 0xA2).first().endsWith("PASS"));
    const std::tuple<quint16, quint16, quint16, const char*> limits[] = {
        {40, 0, 40, "PASS"}, {41, 0, 40, "FAIL"}, {10, 10, 40, "PASS"}, {9, 10, 40, "FAIL"}};
    for (const auto& [value, minimum, maximum, verdict] : limits)
        EXPECT_TRUE(lines(record(0x21, 0x80, 0x24, value, minimum, maximum), 0x21)
                        .first()
                        .endsWith(verdict))
            << value;
}

TEST(MonitorResultsTest, ARecordCutShortForAnotherMonitorOrInAnUnknownUnitIsNoAnswer) {
    const QByteArray whole = record(0x21, 0x80, 0x24, 12, 0, 40);
    EXPECT_EQ(lines(whole + whole.left(5), 0x21), QStringList({"no answer"}));
    EXPECT_EQ(lines(whole, 0x22), QStringList({"no answer"}));
    EXPECT_EQ(lines(record(0x21, 0x80, 0x7F, 12, 0, 40), 0x21), QStringList({"no answer"}));
    EXPECT_EQ(diag::monitorName(0x06), "O2 Sensor Monitor Bank 2 - Sensor 2");
    EXPECT_EQ(diag::monitorName(0xA3), "Misfire Cylinder 2 Data");
    EXPECT_EQ(diag::monitorName(0xEE), "Monitor $EE");
}

} // namespace
