#include "sim/vehicle.h"
#include "sim_harness.h"
#include "support/qt_printers.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(SimProfileTest, DefaultProfileGivesARichSurveyAndTwoOtherEcus) {
    const sim::Profile profile = sim::Profile::defaults();
    ASSERT_EQ(profile.ecus.size(), 3u);
    EXPECT_EQ(profile.ecus[0].address, 0x10);
    EXPECT_EQ(profile.ecus[1].address, 0xD0);
    EXPECT_TRUE(profile.ecus[1].pids.empty());
    EXPECT_EQ(profile.ecus[1].storedCodes, std::vector<quint16>{0xC123});
    EXPECT_EQ(profile.ecus[2].address, 0x18);
    EXPECT_TRUE(profile.ecus[2].storedCodes.empty());
    EXPECT_EQ(profile.firmware, "4.00");
    EXPECT_FALSE(profile.paced);

    // PIDs that become a line of the data list, as the program's survey counts them.
    const auto& pids = profile.ecus[0].pids;
    int lines = 0;
    for (const auto& [pid, source] : pids) {
        const bool line = (pid >= 0x04 && pid <= 0x05) || (pid >= 0x0A && pid <= 0x11) ||
                          (pid >= 0x14 && pid <= 0x1B) || (pid >= 0x21 && pid <= 0x3F) ||
                          (pid >= 0x42 && pid <= 0x4E);
        lines += line ? 1 : 0;
    }
    EXPECT_GE(lines, 30);

    sim::Vehicle vehicle(profile);
    auto byte = [&](quint8 pid, int i) {
        return static_cast<quint8>(vehicle.currentData(pid, 0)->at(i));
    };
    EXPECT_EQ(byte(0x01, 0), 0x82);                    // MIL on, two stored codes
    EXPECT_EQ(byte(0x03, 0), 2);                       // closed loop
    EXPECT_EQ(byte(0x05, 0), 130);                     // 90 degrees C
    EXPECT_GT(byte(0x10, 0) * 256 + byte(0x10, 1), 0); // air flow
    EXPECT_EQ(byte(0x13, 0), 0x33);                    // bank 1 and 2, sensors 1-2
    EXPECT_EQ(byte(0x00, 3) & 1, 1);
    EXPECT_EQ(byte(0x20, 3) & 1, 1);
    EXPECT_NE(vehicle.currentData(0x0C, 0), vehicle.currentData(0x0C, 7)); // engine speed moves
}

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
