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

struct Plan {
    QString protocol;
    QStringList faults;
    quint32 seed = 0;
};

ProgramRun check(const QString& profile, const Plan& plan) {
    QStringList arguments{"--elm327",
                          "--protocol",
                          plan.protocol,
                          "--profile",
                          profile,
                          "--seed",
                          QString::number(plan.seed)};
    for (const QString& fault : plan.faults)
        arguments << "--fault" << fault;
    SimProcess sim(arguments);
    return vamrick(
        {"--adapter", "elm327", "--com", "1=" + sim.path(), "--report", "--reply-timeout", "1000"});
}

TEST(ElmFaultSoakTest, NoDamagedAdapterLinePassesForAnAnswer) {
    ASSERT_NE(kTwoEcuCar, kSteadyCar);
    QTemporaryDir dir;
    const QString profile = profileFile(dir, kTwoEcuCar);
    const QStringList protocols = {"can11", "iso9141", "can29", "kwp", "j1850"};
    const QStringList names = {"cut",  "wrong-length", "missing-byte", "extra-byte", "bad-id",
                               "flip", "other-ecu",    "repeat",       "error-line", "no-prompt"};
    const QStringList prefixes = {"0100", "0101", "010C", "010D", "0120", "0200",
                                  "020C", "03",   "07",   "05",   ""};
    std::mt19937 random(20261207);
    const auto pick = [&random](const QStringList& list) {
        return list[std::uniform_int_distribution<qsizetype>(0, list.size() - 1)(random)];
    };
    const int runs = qEnvironmentVariableIsSet("VAMRICK_SOAK_RUNS")
                         ? qEnvironmentVariableIntValue("VAMRICK_SOAK_RUNS")
                         : 3;
    // A clean run of each bus first, then the faulty ones.
    std::vector<Plan> plans;
    for (int i = 0; i < std::min<int>(runs, int(protocols.size())); ++i)
        plans.push_back({protocols[i], {}, 0});
    for (int run = 0; run < runs; ++run) {
        Plan plan{protocols[run % protocols.size()], {}, 0};
        for (int n = std::uniform_int_distribution<int>(1, 3)(random); n > 0; --n) {
            const int count = std::uniform_int_distribution<int>(0, 3)(random);
            plan.faults << pick(names) + ":" + (count ? QString::number(count) : QString()) + ":" +
                               pick(prefixes);
        }
        plan.seed = random();
        plans.push_back(plan);
    }
    // The runs mostly wait on the adapter's pace and timeouts: several at a time, each in a
    // thread of its own.
    constexpr std::size_t kAtOnce = 6;
    std::vector<ProgramRun> results;
    for (std::size_t from = 0; from < plans.size(); from += kAtOnce) {
        std::vector<std::future<ProgramRun>> batch;
        for (std::size_t i = from; i < std::min(plans.size(), from + kAtOnce); ++i)
            batch.push_back(std::async(std::launch::async, check, profile, plans[i]));
        for (std::future<ProgramRun>& run : batch)
            results.push_back(run.get());
    }

    std::map<QString, ProgramRun> clean;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const Plan& plan = plans[i];
        const ProgramRun& run = results[i];
        if (plan.faults.isEmpty()) {
            EXPECT_EQ(run.exitCode, 0) << plan.protocol.toStdString() << run.err.toStdString();
            clean.emplace(plan.protocol, run);
            continue;
        }
        const std::string trace = QStringLiteral("--protocol %1 --seed %2 --fault %3")
                                      .arg(plan.protocol)
                                      .arg(plan.seed)
                                      .arg(plan.faults.join(" --fault "))
                                      .toStdString();
        const ProgramRun& reference = clean.at(plan.protocol);
        if (run.exitCode == 0) {
            EXPECT_EQ(run.out, reference.out) << trace;
            continue;
        }
        EXPECT_EQ(run.exitCode, 1) << trace;
        const QStringList cleanLines = reference.out.split('\n');
        for (const QString& line : run.out.split('\n'))
            EXPECT_TRUE(cleanLines.contains(line) || saysSomethingWentWrong(line))
                << trace << ": " << line.toStdString();
    }
}

} // namespace
