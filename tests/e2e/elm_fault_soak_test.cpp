// SPDX-License-Identifier: GPL-3.0-or-later
#include "e2e_support.h"

#include <future>
#include <map>
#include <random>

namespace {

using namespace e2e;

// The steady car with a transmission beside the engine: an answer under the other ECU's header
// must not pass for the engine's, nor a lost line make the transmission the car.
const QByteArray kTwoEcuCar = QByteArray(kSteadyCar)
                                  .replace("\"pendingCodes\": [\"0420\"]}]",
                                           R"("pendingCodes": ["0420"]},
    {"address": "18", "pids": {"01": [0, 7, 0, 0], "0D": [50]}, "storedCodes": ["0700"]}])");

struct Captured {
    ProgramRun run;
    std::optional<ProgramRun> replay;
};

// The report through vamrick-sim's adapter, which takes `arguments` (its bus first), run as a
// capture into `file`, and the capture's replay on the bus it names.
Captured check(const QString& profile, const QStringList& arguments, const QString& file) {
    SimProcess sim(QStringList{"--elm327", "--profile", profile} + arguments);
    const QStringList connection{"--adapter", "elm327", "--reply-timeout", "1000"};
    ProgramRun run =
        vamrick(connection + QStringList{"--com", "1=" + sim.path(), "--capture", file});
    return {std::move(run), replayed(file, connection)};
}

TEST(ElmFaultSoakTest, NoDamagedAdapterLinePassesForAnAnswer) {
    QTemporaryDir dir;
    const QString profile = profileFile(dir, kTwoEcuCar);
    const QStringList protocols = {"can11", "iso9141", "can29", "kwp", "j1850"};
    const QStringList names = {"cut",  "wrong-length", "missing-byte", "extra-byte", "bad-id",
                               "flip", "other-ecu",    "repeat",       "error-line", "no-prompt"};
    const QStringList prefixes = {"0100", "0101", "010C", "010D", "0120", "0200", "020C", "03",
                                  "07",   "05",   "0900", "0902", "0A",   "0600", "06",   ""};
    std::mt19937 random(20261207);
    const auto draw = [&random](qsizetype from, qsizetype to) {
        return std::uniform_int_distribution<qsizetype>(from, to)(random);
    };
    const int runs = qEnvironmentVariableIsSet("VAMRICK_SOAK_RUNS")
                         ? qEnvironmentVariableIntValue("VAMRICK_SOAK_RUNS")
                         : 3;
    std::vector<QStringList> plans; // a clean run of each bus first
    for (int i = 0; i < std::min<int>(runs, protocols.size()); ++i)
        plans.push_back({"--protocol", protocols[i]});
    for (int run = 0; run < runs; ++run) {
        QStringList plan{"--protocol", protocols[run % protocols.size()], "--seed",
                         QString::number(random())};
        for (qsizetype n = draw(1, 3); n > 0; --n) {
            // An adapter that never prompts again makes every request wait out its timeout.
            const QString name = names[draw(0, names.size() - 1)];
            const qsizetype count = draw(name == "no-prompt" ? 1 : 0, 3);
            // The engine's answer under another ECU's header leaves the engine silent, which
            // for the freeze frame, the vehicle information, the permanent codes and the
            // monitors is a finding (the engine does not offer them), not damage.
            QString prefix = prefixes[draw(0, prefixes.size() - 1)];
            while (name == "other-ecu" &&
                   QStringList{"0200", "0900", "0A", "0600", "06"}.contains(prefix))
                prefix = prefixes[draw(0, prefixes.size() - 1)];
            plan << "--fault"
                 << name + ":" + (count ? QString::number(count) : QString()) + ":" + prefix;
        }
        plans.push_back(plan);
    }
    // The runs mostly wait on the adapter's pace and timeouts: a few at a time.
    constexpr std::size_t kAtOnce = 6;
    std::vector<std::future<Captured>> running(plans.size());
    const auto start = [&](std::size_t i) {
        if (i < plans.size())
            running[i] = std::async(std::launch::async, check, profile, plans[i],
                                    dir.filePath(QStringLiteral("capture-%1.json").arg(i)));
    };
    for (std::size_t i = 0; i < kAtOnce; ++i)
        start(i);
    std::map<QString, QString> clean;
    // Each run and its capture's replay: the same as the bus's clean run when every request was
    // answered, otherwise only its lines or what says something went wrong.
    const auto judge = [&](const ProgramRun& run, const QString& bus, const std::string& trace) {
        const QString& reference = clean.at(bus);
        if (run.exitCode == 0) {
            EXPECT_EQ(run.out, reference) << trace;
            return;
        }
        EXPECT_EQ(run.exitCode, 1) << trace;
        for (const QString& line : run.out.split('\n'))
            EXPECT_TRUE(reference.split('\n').contains(line) || saysSomethingWentWrong(line))
                << trace << ": " << line.toStdString();
    };
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const Captured captured = running[i].get();
        start(i + kAtOnce);
        const std::string trace = plans[i].join(' ').toStdString();
        const QString& bus = plans[i][1];
        if (plans[i].size() == 2) {
            EXPECT_EQ(captured.run.exitCode, 0) << trace << captured.run.err.toStdString();
            clean.emplace(bus, captured.run.out);
        } else {
            judge(captured.run, bus, trace);
        }
        if (!captured.replay) {
            EXPECT_EQ(captured.run.exitCode, 1) << trace << ": nothing captured";
            continue;
        }
        judge(*captured.replay, bus, trace + " (replayed)");
        if (captured.run.exitCode == 0) {
            EXPECT_EQ(captured.replay->exitCode, 0) << trace;
        }
    }
}

} // namespace
