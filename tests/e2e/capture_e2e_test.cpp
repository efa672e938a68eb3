// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag/vehicle_information.h"
#include "e2e_support.h"
#include "support/qt_printers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using namespace e2e;

const QString kTwoEcus = QStringLiteral(VAMRICK_SIM_PROFILES "/two-ecus.json");

QByteArray contents(const QString& file) {
    QFile json(file);
    EXPECT_TRUE(json.open(QIODevice::ReadOnly)) << file.toStdString();
    return json.readAll();
}

QJsonObject profileIn(const QString& file) {
    return QJsonDocument::fromJson(contents(file)).object();
}

// The engine and the transmission, the engine's values moving, each way the car can be reached:
// the replay prints the report the capture printed, values included.
TEST(CaptureTest, ACapturedCarReplaysWithTheSameReport) {
    QTemporaryDir dir;
    const QString file = dir.filePath("car.json");
    const QStringList tests{"--mode6", "$0B,1", "--mode6", "$10,11,0.1,V"};
    SimProcess box({"--profile", kTwoEcus});
    const ProgramRun boxCapture =
        vamrick(QStringList{"--com", "1=" + box.path(), "--capture", file} + tests);
    ASSERT_EQ(boxCapture.exitCode, 0) << boxCapture.err.toStdString();
    EXPECT_TRUE(boxCapture.err.contains("Wrote 2 ECU(s) to " + file))
        << boxCapture.err.toStdString();
    EXPECT_TRUE(boxCapture.out.contains("Value\t500")) << "test $0B read";
    const ProgramRun demo =
        vamrick(QStringList{"--demo", "--profile", file, "--report", "--mode6-scan"} + tests);
    EXPECT_EQ(demo.out, boxCapture.out);
    EXPECT_EQ(replayed(file, tests)->out, boxCapture.out);

    SimProcess adapter({"--elm327", "--protocol", "can29", "--profile", kTwoEcus});
    const QStringList elm{"--adapter", "elm327"};
    const ProgramRun elmCapture =
        vamrick(elm + QStringList{"--com", "1=" + adapter.path(), "--capture", file});
    ASSERT_EQ(elmCapture.exitCode, 0) << elmCapture.err.toStdString();
    EXPECT_TRUE(elmCapture.out.contains("ECU 18: TC1 -P0700"));
    const QJsonObject profile = profileIn(file);
    EXPECT_EQ(profile["adapter"], "elm327");
    EXPECT_EQ(profile["bus"], "can29") << "the replay serves the bus it was captured on";
    EXPECT_EQ(profile["ecus"].toArray().size(), 2);
    EXPECT_EQ(replayed(file, elm)->out, elmCapture.out);
}

// What the car did not answer, refused or sent damaged stays so in the replay, and the report
// says so in the same words.
TEST(CaptureTest, ACarThatLeavesRequestsUnansweredReplaysTheSameSilence) {
    QTemporaryDir dir;
    const QString file = dir.filePath("car.json");
    SimProcess sim({"--profile", VAMRICK_SIM_PROFILES "/fixed.json", "--fault", "ecu-timeout::0A",
                    "--fault", "ecu-timeout::0105", "--fault", "refuse::07", "--fault",
                    "garbage::020C"});
    const ProgramRun capture = vamrick({"--com", "1=" + sim.path(), "--capture", file});
    EXPECT_EQ(capture.exitCode, 1) << capture.err.toStdString();
    EXPECT_TRUE(capture.out.contains("The ECU refused the pending trouble code request."));
    const QJsonObject engine = profileIn(file)["ecus"].toArray()[0].toObject();
    EXPECT_EQ(engine["unanswered"].toArray(), QJsonArray({"0105", "0900", "0A"}));
    EXPECT_EQ(engine["refused"].toArray(), QJsonArray({"07"}));
    EXPECT_TRUE(engine["garbled"].toArray().contains("020C"));
    EXPECT_FALSE(engine["pids"].toObject().contains("05"));
    const std::optional<ProgramRun> replay = replayed(file);
    EXPECT_EQ(replay->out, capture.out);
    EXPECT_EQ(replay->exitCode, 1);
}

TEST(CaptureTest, AnAnonymousCaptureMakesUpTheVinAndKeepsItsYear) {
    QTemporaryDir dir;
    const QString file = dir.filePath("car.json");
    SimProcess sim({"--profile", kTwoEcus});
    const ProgramRun capture =
        vamrick({"--com", "1=" + sim.path(), "--capture", file, "--capture-anonymous"});
    ASSERT_EQ(capture.exitCode, 0) << capture.err.toStdString();
    const QString vin = profileIn(file)["ecus"].toArray()[0].toObject()["vin"].toString();
    const QString real = QStringLiteral("1FTFW1ET5DFC10312");
    EXPECT_TRUE(diag::isVin(vin)) << vin.toStdString();
    EXPECT_EQ(vin[8], diag::vinCheckDigit(vin));
    EXPECT_EQ(vin.left(3) + vin[6] + vin[9], QStringLiteral("1FTED"));
    EXPECT_NE(vin, real);
    EXPECT_FALSE(contents(file).contains(real.toLatin1()));
    const ProgramRun replay = *replayed(file);
    EXPECT_TRUE(replay.out.contains("VIN\t" + vin));
    EXPECT_EQ(QString(replay.out).replace(vin, real), capture.out);
}

TEST(CaptureTest, AFileThatCannotBeCreatedIsRefusedBeforeConnecting) {
    const ProgramRun run =
        vamrick({"--com", "1=/dev/null", "--capture", "/nonexistent/folder/car.json"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "vamrick: cannot create the capture file /nonexistent/folder/car.json\n");
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(vamrick({"--capture", "car.json", "--clear-codes"}).exitCode, 2);
}

} // namespace
