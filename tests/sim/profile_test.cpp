// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_harness.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

TEST(SimProfileTest, BadProfilesAreRefusedWithTheOffendingKey) {
    const std::pair<QByteArray, const char*> top[] = {
        {R"({"paced": tru})", "not valid JSON"},
        {R"([1, 2])", "JSON object"},
        {R"({"latencyMs": 1.5})", "latencyMs"},
        {R"({"protocol": "12"})", "protocol: must be one character"},
        {R"({"ecus": [{"pids": {}}]})", "ecus[0]: address is missing"},
        {R"({"adapter": "elm"})", "adapter: must be box or elm327"},
        {R"({"bus": "can"})", "bus: must be one of"},
    };
    // Keys of one ECU at address 10, and what the message names.
    const std::pair<QByteArray, const char*> ecu[] = {
        {R"("pid": {})", ": unknown key \"pid\""},
        {R"("pids": {"20": [1]})", ".pids.20: support maps are derived"},
        {R"("supportMaps": {"03": {}})", ".supportMaps.03: only services 01, 02, 06 and 09"},
        {R"("supportMaps": {"01": {"0C": [1, 2, 3, 4]}})", ".supportMaps.01.0C: only the support"},
        {R"("supportMaps": {"02": {"00": [1, 2, 3]}})", ".supportMaps.02.00: must be four bytes"},
        {R"("unanswered": ["09 02"])", ".unanswered[0]: must be a request"},
        {R"("pids": {"05": [256]})", ".pids.05: "},
        {R"("pids": {"0A": {"wave": "sine", "min": 0, "max": 1, "periodS": 1}})",
         ".pids.0A: this PID cannot move"},
        {R"("pids": {"06": {"wave": "sine", "min": -101, "max": 1, "periodS": 1}})",
         ".pids.06.min: must be from -100 to 99.21875 "},
        {R"("pids": {"0D": {"wave": "sine", "min": 0, "max": 256, "periodS": 1}})",
         ".pids.0D.max: must be from 0 to 255 "},
        {R"("pids": {"0D": {"wave": "drive", "quantity": "rpm"}})",
         ".pids.0D.quantity: reaches 2728, more than this PID carries (255)"},
        {R"("freezeFrame": {"02": [3, 0]})", ".freezeFrame: an ECU without pids"},
        {R"("o2Tests": {"supportReplyId": "47", "sensors": {}})",
         ".o2Tests.supportReplyId: must be 45 or 46"},
        {R"("o2Tests": {"sensors": {"01": {"05": [1]}}})",
         ".o2Tests.sensors.01.05: must be three bytes"},
        {R"("monitorTests": {"00": {}})", ".monitorTests.00: the supported-tests map"},
        {R"("vin": "1D4GP24R45B12345")", ".vin: must be 17 characters"},
        {R"("calibrationIds": ["JMB*36761500ABCDE"])", ".calibrationIds[0]: must be 1 to 16"},
        {R"("cvns": ["1791BC8"])", ".cvns[0]: must be 8 hexadecimal digits"},
        {R"("monitorTests": {"0B": {"01": {"value": 1, "min": 0, "max": 2}}})",
         ".monitorTests.0B.01: wants one limit"},
    };
    auto refused = [](const QByteArray& json, const QString& expected) {
        QString error;
        EXPECT_FALSE(sim::Profile::fromJson(json, &error)) << json.data();
        EXPECT_TRUE(error.contains(expected)) << json.data() << " -> " << error.toStdString();
    };
    for (const auto& [json, expected] : top)
        refused(json, expected);
    for (const auto& [keys, expected] : ecu)
        refused(R"({"ecus": [{"address": "10", )" + keys + "}]}", "ecus[0]" + QString(expected));
}

} // namespace
