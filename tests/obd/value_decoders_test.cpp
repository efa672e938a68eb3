// SPDX-License-Identifier: GPL-3.0-or-later
#include "obd/decoders.h"
#include "obd/support_map.h"
#include "obd/value_decoders.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

enum Units { Metric, English, Both };

struct DecodeCase {
    int pid;
    int A, B;
    Units units;
    const char* value;
    const char* unitText;
    double numeric;
};

// Expected texts are worked out by hand from the scaling of each PID; several rows sit where a
// cut to 4 or 5 characters, a truncation or Single precision shapes the text.
const DecodeCase kDecodeCases[] = {
    {0x04, 128, 0, Both, " 50", "%", 128},
    {0x04, 1, 0, Both, " 0", "%", 1},
    {0x04, 130, 0, Both, " 50", "%", 130}, // 50.98: cut, not rounded
    {0x05, 128, 0, English, " 190", "Deg F", 128},
    {0x05, 128, 0, Metric, " 88", "Deg C", 128},
    {0x05, 0, 0, Metric, "-40", "Deg C", 0},
    {0x05, 1, 0, English, "-38.", "Deg F", 1},
    {0x05, 255, 0, Metric, " 215", "Deg C", 255},
    {0x05, 255, 0, English, " 419", "Deg F", 255},
    {0x0A, 100, 0xFF, Both, " 300", "KPa", 100},
    {0x0B, 101, 0, English, " 29.9", "inHg", 101},
    {0x0B, 101, 0, Metric, " 101", "KPaA", 101},
    {0x0B, 255, 0, English, " 75.5", "inHg", 255},
    {0x0C, 0x1A, 0xF8, Both, " 1726", "RPM", 69.04},
    {0x0C, 0x00, 0x03, Both, " .75", "RPM", 0.03},
    {0x0C, 0xFF, 0xFF, Both, " 16383.75", "RPM", 655.35},
    {0x0D, 100, 0, Metric, " 100", "KPH", 100},
    {0x0D, 100, 0, English, " 61", "MPH", 100},
    {0x0D, 33, 0, English, " 20.13", "MPH", 33},
    {0x0E, 0, 0, Both, "-64", "Deg", 0},
    {0x0E, 1, 0, Both, "-63.5", "Deg", 1},
    {0x0E, 129, 0, Both, " .5", "Deg", 129},
    {0x0F, 200, 0, Metric, " 160", "Deg C", 200},
    {0x0F, 200, 0, English, " 320", "Deg F", 200},
    {0x0F, 150, 0, Metric, " 110", "Deg C", 150},
    {0x0F, 150, 0, English, " 230", "Deg F", 150},
    {0x10, 0x01, 0x2D, Both, " 3.01", "gm/sec", 0.7525},
    {0x10, 0xFF, 0xFF, Both, " 655.35", "gm/sec", 163.8375},
    {0x11, 128, 0, Both, " 50.", "%", 128},
    {0x11, 255, 0, Both, " 100", "%", 255},
    {0x11, 1, 0, Both, " .39", "%", 1},
    // Byte B of the O2 sensors is their fuel trim and must not leak into the voltage.
    {0x14, 90, 0x80, Both, " .45", " Volts", 90},
    {0x15, 200, 0xFF, Both, " 1", " Volts", 200},
    {0x16, 0, 0x80, Both, " 0", " Volts", 0},
    {0x17, 255, 0x80, Both, " 1.275", " Volts", 255},
    {0x18, 1, 0x80, Both, " .005", " Volts", 1},
    {0x19, 144, 0x80, Both, " .72", " Volts", 144},
    {0x1A, 100, 0x80, Both, " .5", " Volts", 100},
    {0x1B, 20, 0x80, Both, " .1", " Volts", 20},
    {0x1F, 0x01, 0x02, Both, " 258", "Sec.", 258},
    {0x21, 0x01, 0x00, Metric, " 256", "Km", 256},
    {0x21, 0x01, 0x00, English, " 156", "Mi", 256},
    {0x21, 0xFF, 0xFF, English, " 39976", "Mi", 65535},
    {0x22, 0x01, 0x00, Metric, " 020.0", " kPa", 256},
    {0x22, 0x01, 0x00, English, " 2.9", " PSI", 256},
    {0x22, 0x00, 0x00, Metric, " 000.0", " kPa", 0},
    {0x22, 0xFF, 0xFF, Metric, " 5177.0", " kPa", 65535},
    {0x22, 0xFF, 0xFF, English, " 750.7", " PSI", 65535},
    {0x23, 0x01, 0x00, Metric, " 2560", "kPa", 256},
    {0x23, 0x01, 0x00, English, " 371", " PSI", 256},
    {0x23, 0xFF, 0xFF, Metric, " 655350", "kPa", 65535},
    {0x23, 0xFF, 0xFF, English, " 95025", " PSI", 65535},
    {0x2C, 128, 0xFF, Both, " 50", "%", 128},
    {0x2D, 255, 0, Both, " 99", "%", 255},
    {0x2D, 128, 0, Both, " 0", "%", 128},
    {0x2D, 0, 0, Both, "-100", "%", 0},
    {0x2E, 0, 0xFF, Both, " 0", "%", 0},
    {0x2F, 64, 0, Both, " 25", "%", 64},
    {0x2F, 130, 0, Both, " 50", "%", 130},
    {0x30, 5, 0xFF, Both, " 5", "Times", 5},
    {0x31, 0x01, 0x00, Metric, " 256", "kM", 256},
    {0x31, 0x01, 0x00, English, " 156", "Mi.", 256},
    {0x32, 0xFF, 0xF0, Metric, "-4", "Pa", -16},
    {0x32, 0xFF, 0xF0, English, "-.016048", "inH2O.", -16},
    {0x32, 0x00, 0x04, Metric, " 1", "Pa", 4},
    {0x32, 0x80, 0x00, Metric, "-8192", "Pa", -32768},
    {0x32, 0x7F, 0xFF, Metric, " 8191.75", "Pa", 32767},
    {0x32, 0x7F, 0xFF, English, " 32.865301", "inH2O.", 32767},
    {0x33, 100, 0, Metric, " 100", "kPa", 100},
    {0x33, 100, 0, English, " 29.53", "InHg", 100},
    {0x3C, 0x10, 0x00, Metric, " 370", "Deg C", 409.6},
    {0x3C, 0x10, 0x00, English, " 697", "Deg F", 409.6},
    {0x3D, 0x01, 0x90, Metric, " 0", "Deg C", 40},
    {0x3D, 0x01, 0x90, English, " 32", "Deg F", 40},
    {0x3E, 0x10, 0x00, English, " 697", "Deg F", 409.6},
    {0x3F, 0xFF, 0xFF, English, " 11756", "Deg F", 6553.5},
    {0x42, 0x30, 0x39, Both, " 12.345", "Volts", 12.345},
    {0x42, 0x00, 0x05, Both, " .005", "Volts", 0.005},
    {0x43, 0x00, 0x01, Both, " .3921569", "%", 0.3921569},
    {0x43, 0x12, 0x34, Both, " 1827.451", "%", 1827.451},
    {0x43, 0xFF, 0xFF, Both, " 25700", "%", 25700},
    {0x44, 0x80, 0x00, Both, " .999424", " ", 0.999424},
    {0x44, 0x12, 0x34, Both, " .14213", " ", 0.14213},
    {0x44, 0x01, 0x04, Both, " .00793", " ", 0.00793}, // worked in double, then narrowed
    {0x45, 255, 0x12, Both, " 100", "%", 100},
    {0x45, 128, 0, Both, " 50.19608", "%", 50.19608},
    {0x46, 60, 0, Metric, " 20", "Deg C", 60},
    {0x46, 60, 0, English, " 68", "Deg F", 60},
    {0x46, 0, 0, Metric, "-40", "Deg C", 0},
    {0x46, 1, 0, English, "-38.", "Deg F", 1},
    {0x46, 255, 0, English, " 419", "Deg F", 255},
    {0x47, 77, 0xFF, Both, " 30.19608", "%", 30.19608},
    {0x48, 1, 0, Both, " .3921569", "%", 0.3921569},
    {0x49, 0, 0, Both, " 0", "%", 0},
    {0x4A, 255, 0, Both, " 100", "%", 100},
    {0x4B, 128, 0, Both, " 50.19608", "%", 50.19608},
    {0x4C, 77, 0, Both, " 30.19608", "%", 30.19608},
    {0x4D, 0x01, 0x00, Both, " 256", "Min.", 256},
    {0x4E, 0xFF, 0xFF, Both, " 65535", "Min.", 65535},
};

TEST(ValueDecodersTest, DecodesEachPidInBothUnitSystems) {
    for (const DecodeCase& c : kDecodeCases) {
        const obd::ValueDecoder* decoder = obd::valueDecoder(c.pid);
        ASSERT_NE(decoder, nullptr) << "PID $" << std::hex << c.pid;
        for (const bool metric : {true, false}) {
            if ((c.units == Metric && !metric) || (c.units == English && metric))
                continue;
            SCOPED_TRACE(QString::asprintf("PID $%02X, bytes %02X %02X, %s", c.pid, c.A, c.B,
                                           metric ? "metric" : "English")
                             .toStdString());
            const obd::Scaled reading = decoder->scale({c.A, c.B, 0x5A, 0xA5}, metric);
            EXPECT_EQ(reading.value, QString::fromLatin1(c.value));
            EXPECT_STREQ(metric ? decoder->metricUnits : decoder->englishUnits, c.unitText);
            EXPECT_NEAR(reading.numeric, c.numeric, 1e-6 * std::max(1.0, std::abs(c.numeric)));
        }
    }
}

TEST(ValueDecodersTest, EveryDecodedPidHasARow) {
    std::set<int> covered;
    for (const DecodeCase& c : kDecodeCases)
        covered.insert(c.pid);
    for (const obd::ValueDecoder& row : obd::valueDecoders())
        EXPECT_TRUE(covered.count(row.pid)) << "no decode case for PID $" << std::hex << row.pid;
}

TEST(ValueDecoderTableTest, RowsAreUniqueCompleteAndCoverEveryDataLine) {
    for (int pid = 0x01; pid <= 0x60; ++pid) {
        const bool line = obd::supportAction(pid) == obd::SupportAction::Line;
        EXPECT_TRUE(!line || obd::Decoders::decodes(pid))
            << "a line without a decoder: $" << std::hex << pid;
    }
    // Item code 18 means fuel economy; a PID $12 row would make it ambiguous.
    EXPECT_EQ(obd::valueDecoder(0x12), nullptr);
    std::set<int> pids;
    for (const obd::ValueDecoder& row : obd::valueDecoders()) {
        SCOPED_TRACE(testing::Message() << "PID $" << std::hex << row.pid);
        EXPECT_TRUE(pids.insert(row.pid).second) << "duplicate";
        EXPECT_GE(row.dataBytes, 1);
        EXPECT_TRUE(QString::fromLatin1(row.label).endsWith(' ')) << "values follow labels";
        EXPECT_STRNE(row.metricUnits, "");
        EXPECT_STRNE(row.englishUnits, "");
    }
}

TEST(WideRangeO2Test, LambdaAndSensorCurrentFromRawBytes) {
    EXPECT_DOUBLE_EQ(obd::lambdaOf(0x80, 0x00), 0.999424);
    EXPECT_DOUBLE_EQ(obd::lambdaOf(0x00, 0x00), 0);
    EXPECT_NEAR(obd::lambdaOf(0xFF, 0xFF), 1.9988175, 1e-12);

    EXPECT_DOUBLE_EQ(obd::sensorCurrentOf(0x80, 0x00), 0);
    EXPECT_DOUBLE_EQ(obd::sensorCurrentOf(0x7F, 0x00), -1);
    EXPECT_DOUBLE_EQ(obd::sensorCurrentOf(0x80, 0x80), 0.5);
    EXPECT_DOUBLE_EQ(obd::sensorCurrentOf(0x00, 0x00), -128);
    EXPECT_DOUBLE_EQ(obd::sensorCurrentOf(0xFF, 0xFF), 127.99609375);
}

} // namespace
