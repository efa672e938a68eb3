// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/box/box_driver.h"
#include "obd/decoders.h"
#include "support/qt_printers.h"
#include "support/simulated_link.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using Status = scan::AnswerStatus;

namespace {

// Decoders asking the simulated vehicle, whose freeze frame holds other values than its current
// data.
class DecodersTest : public ::testing::Test {
protected:
    explicit DecodersTest(
        sim::Profile profile = vehicleWith({{0x01, bytes({0x81, 0x07, 0x21, 0x01})},
                                            {0x03, bytes({2, 0})},
                                            {0x05, bytes({128})},
                                            {0x06, bytes({0x82})},
                                            {0x07, bytes({126})},
                                            {0x08, bytes({129})},
                                            {0x0E, bytes({148})},
                                            {0x13, bytes({0x11})},
                                            {0x1D, bytes({0x33})},
                                            {0x24, bytes({0x80, 0x00, 0x7F, 0x00})},
                                            {0x42, bytes({0x30, 0x39})}},
                                           {{0x02, bytes({3, 0})},
                                            {0x03, bytes({4, 0})},
                                            {0x05, bytes({150})},
                                            {0x0E, bytes({100})},
                                            {0x42, bytes({0x10, 0x00})}}))
        : sim(std::move(profile)) {}

    void freezeFrame() {
        decoder.PIDMode = "02";
        decoder.PIDOffset = 1;
    }
    QString& status() { return sim.view.statusText; }

    SimulatedLink sim;
    obd::DecoderState decoder;
    obd::SurveyState survey;
    scan::box::BoxDriver box{sim.link, sim.view};
    obd::PidRequest request{sim.link, box, sim.view};
    obd::Decoders decoders{request, decoder, survey};
};

TEST_F(DecodersTest, ValueDecodersReturnWhatTheyReadAndFillTheSharedResult) {
    const obd::Reading reading = decoders.read(0x05);
    EXPECT_TRUE(reading.answered());
    EXPECT_EQ(reading.value + reading.units, " 190Deg F");
    EXPECT_EQ(decoder.PIDValue, " 190");
    EXPECT_EQ(decoder.PIDLabel, "Coolant Temp -----------  ");
    EXPECT_DOUBLE_EQ(decoder.PIDNumeric, 128);
    decoder.MetricUnits = true;
    EXPECT_EQ(decoders.read(0x05).value, " 88");
    EXPECT_EQ(decoder.PIDUnits, "Deg C");
    EXPECT_EQ(sim.sent.last(), "010506");
}

// A freeze frame shows the frame's values only: every decoder asks service $02, one byte more.
TEST_F(DecodersTest, FreezeFrameDecodersReadTheFrameOneByteLater) {
    freezeFrame();
    EXPECT_EQ(decoders.read(0x0E).value, "-14");
    EXPECT_EQ(sim.sent.last(), "020E07");
    EXPECT_EQ(decoders.read(0x42).value, " 4.096");
    EXPECT_EQ(sim.sent.last(), "02420A");
    EXPECT_FALSE(decoders.read(0x24).answered()) << "the frame holds no lambda";
    EXPECT_EQ(sim.sent.last(), "02240A");
    decoders.get_cmd_sec_air_stat();
    EXPECT_EQ(sim.sent.last(), "021207");
}

TEST_F(DecodersTest, StatusDecodersWriteTheirLines) {
    decoders.fuelStatus();
    for (const int pid : {0x06, 0x07, 0x08})
        decoders.fuelTrim(pid);
    decoders.get_O2_loc(0x13);
    EXPECT_EQ(status(), "Fuel Sys1-Closed Loop Mode\r\n\r\n"
                        "Short Term Fuel Trim----  1%\r\n"
                        "Long Term FT,B1 -------- -2%\r\n"
                        "Short Term FT,B2 -------  0%\r\n"
                        "# of O2 Sensors --------  2\r\n");
    EXPECT_EQ(survey.O2Present, (std::array<int, 8>{1, 0, 0, 0, 16, 0, 0, 0}));
}

TEST_F(DecodersTest, FourBankO2SensorsCountTheirOwnByte) {
    decoders.get_O2_loc(0x1D);
    EXPECT_EQ(status(), "# of O2 Sensors --------  4\r\n");
    EXPECT_TRUE(survey.O2SensorsInFourBanks);
    EXPECT_EQ(survey.O2Present, (std::array<int, 8>{1, 2, 0, 0, 16, 32, 0, 0}));
}

TEST_F(DecodersTest, AnUnansweredRequestIsNeverDecoded) {
    decoders.read(0x05);
    sim.simulator.injectFault(sim::Fault::EcuTimeout);
    const obd::Reading reading = decoders.read(0x0E);
    EXPECT_FALSE(reading.answered());
    EXPECT_EQ(reading.value, "");
    EXPECT_EQ(decoder.PIDValue, " 190") << "the shared result keeps the last answered value";

    status() = "earlier text\r\n";
    decoders.get_MIL();
    decoders.fuelTrim(0x06);
    EXPECT_EQ(status(), "earlier text\r\nNo answer to the monitor status request.\r\n"
                        "No answer to the short term fuel trim request.\r\n");
    EXPECT_EQ(sim.link.unanswered(), 3);

    sim.simulator.clearFaults();
    sim.simulator.setReachable(false);
    sim.sent.clear();
    EXPECT_EQ(decoders.read(0x05).answer.status(), Status::NoVehicle);
    EXPECT_EQ(decoders.get_MIL().status(), Status::NoVehicle);
    EXPECT_EQ(status(), "earlier text\r\nNo answer to the monitor status request.\r\n"
                        "No answer to the short term fuel trim request.\r\n")
        << "the caller says why the operation ends";
    EXPECT_TRUE(sim.sent.isEmpty());
}

TEST_F(DecodersTest, MalformedRepliesAreAskedAgainAFewTimesAtMost) {
    sim.simulator.injectFault(sim::Fault::OutOfStepS, 1);
    sim.simulator.injectFault(sim::Fault::Garbage, 1);
    EXPECT_TRUE(decoders.read(0x05).answered());
    EXPECT_EQ(sim.sent.size(), 3);

    sim.sent.clear();
    sim.simulator.injectFault(sim::Fault::OutOfStepS);
    EXPECT_EQ(decoders.read(0x05).answer.status(), Status::OutOfStep);
    EXPECT_EQ(sim.sent.size(), 3);
    EXPECT_EQ(sim.view.colour, scan::LinkColour::Red);

    // The box drops a reply and goes back to its markers, which never make an answer.
    sim.simulator.clearFaults();
    sim.simulator.injectFault(sim::Fault::Silence, -1, "0105");
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(decoders.read(0x05).answered());
    EXPECT_LT(elapsed.elapsed(), 3000);
}

// Decoders over a vehicle with just the given PIDs.
struct DecoderRig {
    explicit DecoderRig(const std::map<quint8, QByteArray>& pids) : sim(vehicleWith(pids)) {}
    SimulatedLink sim;
    obd::DecoderState decoder;
    obd::SurveyState survey;
    scan::box::BoxDriver box{sim.link, sim.view};
    obd::PidRequest request{sim.link, box, sim.view};
    obd::Decoders decoders{request, decoder, survey};
};

TEST(FuelEconomyTest, ComesFromAirFlowAndSpeed) {
    DecoderRig rig({{0x0D, bytes({100})}, {0x10, bytes({0x02, 0x9A})}});
    // 61 mph / ((6.66 + 0.001) * 0.0642) = 142.67...
    EXPECT_EQ(rig.decoders.fuelEconomy().value, " 142.");
    EXPECT_EQ(rig.decoder.PIDUnits, "MPG");
    EXPECT_EQ(rig.decoder.PIDLabel, "Gas Mileage ------------ ");
    EXPECT_FLOAT_EQ(rig.decoder.PIDNumeric, 142);
    rig.decoder.MetricUnits = true;
    // 100 km/h / (6.661 * 0.0642) / 3.76 * 0.61 = 37.93...
    EXPECT_EQ(rig.decoders.fuelEconomy().value, " 37.9");
    EXPECT_EQ(rig.decoder.PIDUnits, "Km/L");
    rig.sim.simulator.injectFault(sim::Fault::EcuTimeout, -1, "010D");
    EXPECT_FALSE(rig.decoders.fuelEconomy().answered()) << "no speed, no economy";
}

TEST(MonitorStatusTest, TheLampTheCodeCountAndEachSupportedMonitorsState) {
    const std::pair<QByteArray, const char*> cases[] = {
        {bytes({128, 0, 0, 0}), "MIL is ON Stored Trouble Codes Present\r\n"},
        {bytes({127, 0, 0, 0}), "MIL is OFF 127 stored Trouble Code(s)\r\n"},
        // Byte B: supported bits 0-2, incomplete bits 4-6; bytes C and D: supported, incomplete.
        {bytes({2, 0x61, 0xA5, 0x84}), "MIL is OFF 2 stored Trouble Code(s)\r\n"
                                       "Misfire Monitoring            Complete\r\n"
                                       "Catalyst Monitoring           Complete\r\n"
                                       "Evaporative System Monitoring Incomplete\r\n"
                                       "O2 Sensor Monitoring          Complete\r\n"
                                       "EGR Monitoring                Incomplete\r\n"},
        // Byte B bit 3: compression ignition, whose engines have other monitors.
        {bytes({0, 0x0A, 0xEB, 0x22}), "MIL is OFF 0 stored Trouble Code(s)\r\n"
                                       "Fuel Sys. Monitoring          Complete\r\n"
                                       "NMHC Catalyst Monitoring      Complete\r\n"
                                       "NOx/SCR Monitoring            Incomplete\r\n"
                                       "Boost Pressure Monitoring     Complete\r\n"
                                       "Exhaust Gas Sensor Monitoring Incomplete\r\n"
                                       "PM Filter Monitoring          Complete\r\n"
                                       "EGR/VVT Monitoring            Complete\r\n"},
    };
    for (const auto& [status, text] : cases) {
        DecoderRig rig({{0x01, status}, {0x03, bytes({3, 8})}});
        rig.sim.view.statusText = "earlier text";
        rig.decoders.get_MIL();
        EXPECT_EQ(rig.sim.view.statusText, text);
        rig.decoders.fuelStatus();
        EXPECT_TRUE(rig.sim.view.statusText.endsWith("\r\nFuel Sys2-Open Loop with Fault\r\n\r\n"))
            << "only single-bit values have text";
    }
}

} // namespace
