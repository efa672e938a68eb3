// SPDX-License-Identifier: GPL-3.0-or-later
#include "e2e_support.h"

#include <random>

namespace {

using namespace e2e;

// Each check is a capture (the report, with the scan for supported tests), and its replay is held
// to the same standard: what went unanswered stays so, and nothing is made up.
TEST(FaultSoakTest, NoCorruptedReplyEverPassesForAnAnswer) {
    QTemporaryDir dir;
    const QString profile = profileFile(dir, kSteadyCar);
    const QString capture = dir.filePath("capture.json");
    const QStringList timeout{"--reply-timeout", "400"};
    const auto check = [&](const QStringList& faults) {
        QStringList arguments{"--profile", profile};
        for (const QString& fault : faults)
            arguments << "--fault" << fault;
        SimProcess sim(arguments);
        return vamrick(QStringList{"--com", "1=" + sim.path(), "--capture", capture} + timeout);
    };
    const ProgramRun clean = check({});
    ASSERT_EQ(clean.exitCode, 0) << clean.err.toStdString();
    ASSERT_EQ(replayed(capture, timeout)->out, clean.out);
    const QStringList cleanLines = clean.out.split('\n');
    const auto judge = [&](const ProgramRun& run, const std::string& trace) {
        if (run.exitCode == 0) {
            EXPECT_EQ(run.out, clean.out) << trace;
            return;
        }
        EXPECT_EQ(run.exitCode, 1) << trace;
        for (const QString& line : run.out.split('\n'))
            EXPECT_TRUE(cleanLines.contains(line) || saysSomethingWentWrong(line))
                << trace << ": " << line.toStdString();
    };

    const QStringList names = {"ecu-timeout", "extra-leading-s", "out-of-step-s", "garbage",
                               "cut",         "wrong-reply",     "refuse",        "silence",
                               "drop-char",   "flip-digit",      "repeat"};
    const QStringList prefixes = {"0100", "0101", "0102", "0105", "0106", "010C", "010D", "0110",
                                  "0113", "0120", "0121", "0142", "0146", "0200", "0202", "0205",
                                  "020C", "03",   "07",   "9001", "0900", "0902", "0904", "0A",
                                  "0500", "0501", "0600", "06",   "F0",   ""};
    std::mt19937 random(20261206);
    const auto pick = [&random](const QStringList& list) {
        return list[std::uniform_int_distribution<qsizetype>(0, list.size() - 1)(random)];
    };
    const int runs = qEnvironmentVariableIsSet("VAMRICK_SOAK_RUNS")
                         ? qEnvironmentVariableIntValue("VAMRICK_SOAK_RUNS")
                         : 8;
    for (int run = 0; run < runs; ++run) {
        QStringList faults;
        for (int n = std::uniform_int_distribution<int>(1, 3)(random); n > 0; --n) {
            const int count = std::uniform_int_distribution<int>(0, 3)(random);
            const QString name = pick(names);
            QString prefix = pick(prefixes);
            // An ECU that does not answer the freeze frame request, or refuses or does not answer
            // the vehicle information or permanent codes at all, is a finding, not damage.
            const auto finding = [&] {
                return (name == "ecu-timeout" && (prefix == "0200" || prefix.isEmpty())) ||
                       ((name == "ecu-timeout" || name == "refuse") &&
                        (prefix == "0900" || prefix == "0A"));
            };
            while (finding())
                prefix = pick(prefixes);
            faults << name + ":" + (count ? QString::number(count) : QString()) + ":" + prefix;
        }
        const std::string trace = faults.join(' ').toStdString();
        const ProgramRun faulty = check(faults);
        judge(faulty, trace);
        const std::optional<ProgramRun> replay = replayed(capture, timeout);
        if (!replay) {
            EXPECT_EQ(faulty.exitCode, 1) << trace << ": nothing captured";
            continue;
        }
        judge(*replay, trace + " (replayed)");
        if (faulty.exitCode == 0) {
            EXPECT_EQ(replay->exitCode, 0) << trace;
        }
    }
}

} // namespace
