// SPDX-License-Identifier: GPL-3.0-or-later
#include "obd/readiness.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

TEST(ReadinessTest, OnlySupportedNonContinuousMonitorsCountAgainstTheModelYearsAllowance) {
    // Catalyst, evaporative system and O2 sensor supported (byte C); byte D: the incomplete ones.
    const auto status = [](quint8 a, quint8 b, quint8 d) {
        return obd::MonitorStatus::of(a, b, 0x25, d);
    };
    const QString ready = QStringLiteral(" \u2014 ready for an emissions inspection");
    const QString notReady = QStringLiteral(" \u2014 not ready for an emissions inspection");
    struct Row {
        obd::MonitorStatus status;
        std::optional<int> year;
        QString verdict;
    };
    const Row rows[] = {
        {status(0, 0x77, 0x00), 2016, "Readiness: all monitors complete" + ready},
        {status(0, 0x07, 0x04), 2005, "Readiness: 1 incomplete (Evaporative System)" + ready},
        {status(0, 0x07, 0x05), 1999,
         "Readiness: 2 incomplete (Catalyst, Evaporative System)" + ready},
        {status(0, 0x07, 0x05), 2005,
         "Readiness: 2 incomplete (Catalyst, Evaporative System)" + notReady},
        {status(0, 0x07, 0x05),
         {},
         "Readiness: 2 incomplete (Catalyst, Evaporative System)" + notReady +
             " (model year unknown: at most one incomplete allowed)"},
        {status(0x81, 0x07, 0x00), 2016, "Readiness: MIL on, all monitors complete" + notReady},
    };
    for (const Row& row : rows)
        EXPECT_EQ(obd::readinessVerdict(row.status, row.year), row.verdict);
}

TEST(ReadinessTest, TheModelYearIsTheVinsTenthCharacterInTheCycleItsSeventhPicks) {
    EXPECT_EQ(obd::modelYearOf("1FAFP4041XF100000"), 1999);
    EXPECT_EQ(obd::modelYearOf("1HGCM82633A004352"), 2003);
    EXPECT_EQ(obd::modelYearOf("1FTEW1EG5GFA00000"), 2016);
    EXPECT_EQ(obd::modelYearOf("1FTEW1EG5UFA00000"), std::nullopt) << "U is no year";
    EXPECT_EQ(obd::modelYearOf(""), std::nullopt);
}

} // namespace
