#include "obd/decoders.h"
#include "support/qt_printers.h"
#include "support/simulated_link.h"

#include <gtest/gtest.h>

namespace {

// Decoders asking the simulated vehicle, whose freeze frame holds other values than its current
// data.
class DecodersTest : public ::testing::Test {
protected:
    explicit DecodersTest(sim::Profile profile = vehicleWith({{0x03, bytes({2, 0})},
                                                              {0x05, bytes({128})},
                                                              {0x0E, bytes({148})},
                                                              {0x24,
                                                               bytes({0x80, 0x00, 0x7F, 0x00})},
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

    SimulatedLink sim;
    obd::DecoderState decoder;
    obd::SurveyState survey;
    obd::PidRequest request{sim.link, sim.view};
    obd::Decoders decoders{request, decoder, survey};
};

TEST_F(DecodersTest, ValueDecodersLeaveTheSharedResult) {
    EXPECT_EQ(decoders.decode(0x05), " 190");
    EXPECT_EQ(decoder.PIDUnits, "Deg F");
    EXPECT_EQ(decoder.PIDLabel, "Coolant Temp -----------  ");
    EXPECT_DOUBLE_EQ(decoder.PIDNumeric, 128);
    decoder.MetricUnits = true;
    EXPECT_EQ(decoders.decode(0x05), " 88");
    EXPECT_EQ(decoder.PIDUnits, "Deg C");
    EXPECT_EQ(sim.sent.last(), "010506");
}

TEST_F(DecodersTest, FreezeFrameDecodersReadOneByteLaterWhileFixedOnesReadCurrentData) {
    freezeFrame();
    EXPECT_EQ(decoders.decode(0x05), " 230");
    EXPECT_EQ(sim.sent.last(), "020507");
    EXPECT_EQ(decoders.decode(0x0E), " 10") << "ignition advance always shows current data";
    EXPECT_EQ(sim.sent.last(), "010E06");
    EXPECT_EQ(decoder.PIDMode, "02");
}

TEST_F(DecodersTest, DecodersThatAskForCurrentDataReadCurrentDataPositions) {
    freezeFrame();
    EXPECT_EQ(decoders.decode(0x42), " 12.345");
    EXPECT_EQ(decoder.PIDMode, "01") << "and the survey's service stays switched";
    EXPECT_EQ(sim.sent.last(), "014209");

    freezeFrame();
    EXPECT_EQ(decoders.decode(0x24), " .999424");
    EXPECT_EQ(survey.WBO2PID, "24");
    EXPECT_EQ(decoders.get_WBO2_current("01", "24"), " .999424");
    EXPECT_FLOAT_EQ(decoder.PIDNumeric, -1);
}

TEST_F(DecodersTest, FuelStatusFollowsTheSurveysService) {
    decoders.get_fuel_status();
    EXPECT_EQ(sim.view.statusText, "Fuel Sys1-Closed Loop Mode\r\n\r\n");
    sim.view.statusText.clear();
    freezeFrame();
    decoders.get_fuel_status();
    EXPECT_EQ(sim.view.statusText, "Fuel Sys1-Open Loop Driving\r\n\r\n");
    EXPECT_EQ(sim.sent.last(), "020308");
}

TEST(FuelEconomyTest, ComesFromAirFlowAndSpeed) {
    SimulatedLink sim(vehicleWith({{0x0D, bytes({100})}, {0x10, bytes({0x02, 0x9A})}}));
    obd::DecoderState decoder;
    obd::SurveyState survey;
    obd::PidRequest request{sim.link, sim.view};
    obd::Decoders d{request, decoder, survey};
    // 61 mph / ((6.66 + 0.001) * 0.0642) = 142.67...
    EXPECT_EQ(d.get_mpg(), " 142.");
    EXPECT_EQ(decoder.PIDUnits, "MPG");
    EXPECT_EQ(decoder.PIDLabel, "Gas Mileage ------------ ");
    EXPECT_FLOAT_EQ(decoder.PIDNumeric, 142);
    decoder.MetricUnits = true;
    // 100 km/h / (6.661 * 0.0642) / 3.76 * 0.61 = 37.93...
    EXPECT_EQ(d.get_mpg(), " 37.9");
    EXPECT_EQ(decoder.PIDUnits, "Km/L");
}

struct StatusCase {
    const char* name;
    QByteArray monitorStatus;
    const char* text;
};

class MonitorStatusTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(MonitorStatusTest, LampCountAndMonitors) {
    SimulatedLink sim(vehicleWith({{0x01, GetParam().monitorStatus}}));
    obd::DecoderState decoder;
    obd::SurveyState survey;
    obd::PidRequest request{sim.link, sim.view};
    obd::Decoders decoders{request, decoder, survey};
    sim.view.statusText = "earlier text";
    decoders.get_MIL();
    EXPECT_EQ(sim.view.statusText, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MonitorStatusTest,
    ::testing::Values(
        StatusCase{"LampOn", bytes({128, 0, 0, 0}), "MIL is ON Stored Trouble Codes Present\r\n"},
        StatusCase{"Count127", bytes({127, 0, 0, 0}), "MIL is OFF 127 stored Trouble Code(s)\r\n"},
        StatusCase{"Count2", bytes({2, 0, 0, 0}), "MIL is OFF 2 stored Trouble Code(s)\r\n"},
        StatusCase{"IncompleteOnly", bytes({0, 0x74, 0x80, 0x80}),
                   "MIL is OFF 0 stored Trouble Code(s)\r\n"
                   "Component Monitoring          Incomplete\r\n"
                   "EGR Monitoring                Incomplete\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FuelSystemTest, OnlySingleBitValuesHaveText) {
    SimulatedLink sim(vehicleWith({{0x03, bytes({3, 8})}}));
    obd::DecoderState decoder;
    obd::SurveyState survey;
    obd::PidRequest request{sim.link, sim.view};
    obd::Decoders decoders{request, decoder, survey};
    decoders.get_fuel_status();
    EXPECT_EQ(sim.view.statusText, "Fuel Sys2-Open Loop with Fault\r\n\r\n");
}

TEST(O2SensorsTest, PresenceIsMarkedAndNeverCleared) {
    SimulatedLink sim(vehicleWith({{0x13, bytes({0x11})}}));
    obd::DecoderState decoder;
    obd::SurveyState survey;
    survey.O2Present[1] = 2;
    obd::PidRequest request{sim.link, sim.view};
    obd::Decoders decoders{request, decoder, survey};
    decoders.get_O2_loc();
    EXPECT_EQ(sim.view.statusText, "# of O2 Sensors --------  2\r\n");
    EXPECT_EQ(survey.O2Present, (std::array<int, 8>{1, 2, 0, 0, 16, 0, 0, 0}));
}

TEST(NoVehicleTest, EveryByteDecodesAsZero) {
    SimulatedLink sim(vehicleWith({{0x05, bytes({128})}, {0x0C, bytes({0x1A, 0xF8})}}));
    sim.simulator.setReachable(false);
    obd::DecoderState decoder;
    obd::SurveyState survey;
    obd::PidRequest request{sim.link, sim.view};
    obd::Decoders decoders{request, decoder, survey};
    EXPECT_EQ(decoders.decode(0x05), "-40");
    EXPECT_EQ(decoders.decode(0x0C), " 0");
    decoders.fuelTrim(0x06);
    EXPECT_EQ(sim.view.statusText, "Short Term Fuel Trim---- -100%\r\n");
    EXPECT_TRUE(sim.sent.isEmpty());
}

} // namespace
