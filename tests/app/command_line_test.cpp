// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

app::ParsedCommandLine parse(QStringList args) {
    args.prepend("vamrick");
    return app::parseCommandLine(args);
}

TEST(CommandLineTest, MistakesExitWithUsageError) {
    for (const QStringList& args :
         {QStringList{"--nonsense"},
          QStringList{"extra"},
          QStringList{"--tcf"},
          QStringList{"--demo", "--clear-codes"},
          QStringList{"--read-codes-anyway"},
          QStringList{"--log", "x.log", "--log-item", "Speed"},
          QStringList{"--log", "x.log", "--log-item", "a", "--log-item", "b", "--report"},
          QStringList{"--log", "x.log", "--log-item", "a", "--log-item", "b", "--log-interval",
                      "-1"},
          QStringList{"--log-samples", "5"},
          QStringList{"--usb", "16C0"},
          QStringList{"--usb", "1234:G"},
          QStringList{"--usb", "12345:1"},
          QStringList{"--demo", "--demo-usb"},
          QStringList{"--mode6-scan"},
          QStringList{"--report", "--mode6", "$40"},
          QStringList{"--adapter", "elm"},
          QStringList{"--elm-baud", "fast"},
          QStringList{"--profile", "fixed.json"},
          QStringList{"--plot", "x.log"},
          QStringList{"--plot", "x.log", "--png", "x.png", "--demo"},
          QStringList{"--plot", "x.log", "--png", "x.png", "--size", "0x5"}}) {
        const auto parsed = parse(args);
        EXPECT_FALSE(parsed.options);
        EXPECT_EQ(parsed.exitCode, 2);
        EXPECT_TRUE(parsed.output.contains("--help"));
    }
}

TEST(CommandLineTest, ReadsTheRunOptions) {
    const auto parsed = parse({"--demo", "--report", "--tcf", "/tmp/x.tcf"});
    ASSERT_TRUE(parsed.options);
    EXPECT_TRUE(parsed.options->demo);
    EXPECT_TRUE(parsed.options->report);
    EXPECT_EQ(parsed.options->definitionsFile, "/tmp/x.tcf");
    const auto usb = parse({"--usb", "abcd:5dc"});
    ASSERT_TRUE(usb.options && usb.options->usb);
    EXPECT_EQ(*usb.options->usb, (scan::usb::Identity{0xABCD, 0x05DC}));

    const auto mode6 = parse({"--report", "--mode6", "$0B,1", "--mode6", "2,3,0.5,volts,amps"});
    ASSERT_TRUE(mode6.options);
    ASSERT_EQ(mode6.options->mode6Requests.size(), 2);
    EXPECT_EQ(mode6.options->mode6Requests[0].testId, "$0B");
    EXPECT_EQ(mode6.options->mode6Requests[0].scale, "1");
    EXPECT_EQ(mode6.options->mode6Requests[1].units, "volts,amps");

    const auto elm =
        parse({"--adapter", "elm327", "--elm-baud", "9600", "--com", "2=tcp:10.0.0.1:35000"});
    ASSERT_TRUE(elm.options);
    EXPECT_EQ(elm.options->adapter, app::Adapter::Elm327);
    EXPECT_EQ(elm.options->elmBaud, 9600);

    const auto plain = parse({});
    ASSERT_TRUE(plain.options);
    EXPECT_FALSE(plain.options->demo);
    EXPECT_FALSE(plain.options->adapter) << "the saved choice, or the box for a report";
    EXPECT_EQ(plain.options->elmBaud, 38400);
    EXPECT_TRUE(plain.options->definitionsFile.isEmpty());
}

} // namespace
