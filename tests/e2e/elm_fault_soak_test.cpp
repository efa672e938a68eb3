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

// A run of the report through vamrick-sim's adapter on `protocol`, with its line faults.
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
    const auto draw = [&random](int from, int to) {
        return std::uniform_int_distribution<int>(from, to)(random);
    };
    const int runs = qEnvironmentVariableIsSet("VAMRICK_SOAK_RUNS")
                         ? qEnvironmentVariableIntValue("VAMRICK_SOAK_RUNS")
                         : 3;
    std::vector<Plan> plans; // a clean run of each bus first
    for (int i = 0; i < std::min<int>(runs, protocols.size()); ++i)
        plans.push_back({protocols[i], {}, 0});
    for (int run = 0; run < runs; ++run) {
        Plan plan{protocols[run % protocols.size()], {}, quint32(random())};
        for (int n = draw(1, 3); n > 0; --n) {
            const int count = draw(0, 3);
            plan.faults << names[draw(0, names.size() - 1)] + ":" +
                               (count ? QString::number(count) : QString()) + ":" +
                               prefixes[draw(0, prefixes.size() - 1)];
        }
        plans.push_back(plan);
    }
    // The runs mostly wait on the adapter's pace and timeouts: a few at a time.
    constexpr std::size_t kAtOnce = 6;
    std::vector<std::future<ProgramRun>> running(plans.size());
    const auto start = [&](std::size_t i) {
        if (i < plans.size())
            running[i] = std::async(std::launch::async, check, profile, plans[i]);
    };
    for (std::size_t i = 0; i < kAtOnce; ++i)
        start(i);
    std::map<QString, ProgramRun> clean;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const Plan& plan = plans[i];
        const ProgramRun run = running[i].get();
        start(i + kAtOnce);
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
        // What the O2 window concludes from an unanswered monitor status is not the adapter's.
        const bool noMonitorStatus = run.out.contains("No answer to the monitor status request.");
        for (const QString& line : run.out.split('\n'))
            EXPECT_TRUE(reference.out.split('\n').contains(line) || saysSomethingWentWrong(line) ||
                        (noMonitorStatus && line.startsWith("The O2 test results are not ")))
                << trace << ": " << line.toStdString();
    }
}

} // namespace
