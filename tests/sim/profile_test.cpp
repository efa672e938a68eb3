#include "sim/vehicle.h"
#include "sim_harness.h"
#include "support/qt_printers.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(SimProfileTest, JsonOverridesOnlyTheKeysItGives) {
    const sim::Profile paced =
        profileFrom(R"({"paced": true, "latencyMs": 0, "markerPeriodMs": 20})");
    EXPECT_TRUE(paced.paced);
    EXPECT_EQ(paced.latencyMs, 0);
    EXPECT_EQ(paced.markerPeriodMs, 20);
    EXPECT_EQ(paced.ecus.size(), 3u);
    EXPECT_EQ(paced.leadingChar, 'V');

    const sim::Profile own =
        profileFrom(R"({"reachable": false, "ecus": [{"address": "7e", "pids": {"0c": [1, 2]}}]})");
    EXPECT_FALSE(own.reachable);
    ASSERT_EQ(own.ecus.size(), 1u);
    EXPECT_EQ(own.ecus[0].address, 0x7E);
    EXPECT_EQ(std::get<QByteArray>(own.ecus[0].pids.at(0x0C)), QByteArray::fromHex("0102"));
}

TEST(SimProfileTest, BadProfilesAreRefusedWithTheOffendingKey) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"paced": tru})", "not valid JSON"},
        {R"([1, 2])", "JSON object"},
        {R"({"markerPeriod": 5})", "unknown key \"markerPeriod\""},
        {R"({"markerPeriodMs": 0})", "markerPeriodMs"},
        {R"({"latencyMs": 1.5})", "latencyMs"},
        {R"({"paced": "yes"})", "paced"},
        {R"({"leadingChar": "VV"})", "leadingChar"},
        {R"({"firmware": "4.0\u00e9"})", "firmware"},
        {R"({"ecus": []})", "ecus"},
        {R"({"ecus": [{"pids": {}}]})", "ecus[0]: address is missing"},
        {R"({"ecus": [{"address": "1"}]})", "ecus[0].address"},
        {R"({"ecus": [{"address": " 1"}]})", "ecus[0].address"},
        {R"({"ecus": [{"address": "10", "pid": {}}]})", "unknown key \"pid\""},
        {R"({"ecus": [{"address": "10"}, {"address": "G0"}]})", "ecus[1].address"},
        {R"({"ecus": [{"address": "10", "pids": {"0G": [1]}}]})", "ecus[0].pids.0G"},
        {R"({"ecus": [{"address": "10", "pids": {"20": [1]}}]})", "derived"},
        {R"({"ecus": [{"address": "10", "pids": {"0c": [1], "0C": [2]}}]})", "given twice"},
        {R"({"ecus": [{"address": "10", "pids": {"05": [256]}}]})", "ecus[0].pids.05"},
        {R"({"ecus": [{"address": "10", "pids": {"05": "82"}}]})", "ecus[0].pids.05"},
        {R"({"ecus": [{"address": "10", "pids": {"05": {"wave": "sine", "min": 0, "max": 1, "periodS": 1}}}]})",
         "cannot move"},
        {R"({"ecus": [{"address": "10", "pids": {"0C": {"wave": "zigzag", "min": 0, "max": 1, "periodS": 1}}}]})",
         "0C.wave"},
        {R"({"ecus": [{"address": "10", "pids": {"0C": {"wave": "sine", "min": 0, "max": 1, "periodS": 0}}}]})",
         "0C.periodS"},
        {R"({"ecus": [{"address": "10", "pids": {"0C": {"wave": "sine", "max": 1, "periodS": 1}}}]})",
         "0C.min"},
        {R"({"ecus": [{"address": "10", "pids": {"0C": {"wave": "sine", "min": 0, "max": 1, "periodS": 1, "tail": [-1]}}}]})",
         "0C.tail"},
        {R"({"ecus": [{"address": "10", "storedCodes": "0300"}]})", "ecus[0].storedCodes: must"},
        {R"({"ecus": [{"address": "10", "storedCodes": ["030"]}]})", "ecus[0].storedCodes[0]"},
        {R"({"ecus": [{"address": "10", "storedCodes": [300]}]})", "ecus[0].storedCodes[0]"},
        {R"({"ecus": [{"address": "10", "storedCodes": ["03G0"]}]})", "ecus[0].storedCodes[0]"},
        {R"({"ecus": [{"address": "10", "pendingCodes": ["0420", "04200"]}]})",
         "ecus[0].pendingCodes[1]"},
        {R"({"ecus": [{"address": "10", "pendingCodes": [" 420"]}]})", "ecus[0].pendingCodes[0]"},
        {R"({"ecus": [{"address": "10", "mil": "on"}]})", "ecus[0].mil"},
        {R"({"ecus": [{"address": "10", "clearRefused": 1}]})", "ecus[0].clearRefused"},
        {R"({"ecus": [{"address": "D0", "freezeFrame": {"02": [3, 0]}}]})",
         "ecus[0].freezeFrame: an ECU without pids"},
    };
    for (const auto& [json, expected] : cases) {
        QString error;
        EXPECT_FALSE(sim::Profile::fromJson(json, &error)) << json;
        EXPECT_TRUE(error.contains(QLatin1StringView(expected)))
            << json << " -> " << error.toStdString();
    }
}

TEST(SimProfileTest, FileErrorsNameTheFile) {
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(sim::Profile::fromFile(dir.filePath("none.json"), &error));
    EXPECT_TRUE(error.startsWith(dir.filePath("none.json"))) << error.toStdString();

    QFile file(dir.filePath("bad.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"latencyMs": -1})");
    file.close();
    EXPECT_FALSE(sim::Profile::fromFile(file.fileName(), &error));
    EXPECT_TRUE(error.contains("bad.json: latencyMs")) << error.toStdString();
}

} // namespace
