// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

#include <gtest/gtest.h>

// Whole-program runs: vamrick-sim on a pseudo-terminal and vamrick as a separate process.
namespace e2e {

// vamrick-sim on a pseudo-terminal, for as long as the object lives.
class SimProcess {
public:
    explicit SimProcess(const QStringList& arguments = {}) {
        process_.start(QStringLiteral(VAMRICK_SIM_EXE), arguments);
        if (process_.waitForStarted(5000) && process_.waitForReadyRead(5000))
            path_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~SimProcess() {
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
    }
    QString path() const { return path_; }

private:
    QProcess process_;
    QString path_;
};

// A simulator profile written to `dir`; its path.
inline QString profileFile(const QTemporaryDir& dir, const QByteArray& json) {
    const QString path = dir.filePath(QStringLiteral("profile-%1.json").arg(qHash(json)));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(json) == json.size());
    return path;
}

struct ProgramRun {
    int exitCode;
    QString out;
    QString err;
    qint64 ms;
};

inline ProgramRun vamrick(const QStringList& arguments) {
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(VAMRICK_EXE), arguments);
    const bool finished = process.waitForFinished(30000);
    EXPECT_TRUE(finished) << "vamrick did not end";
    if (!finished)
        process.kill();
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError()), timer.elapsed()};
}

// One ECU whose values hold still, so that every run of a check must print the same lines.
inline const QByteArray kSteadyCar = R"({"ecus": [{"address": "10",
    "pids": {"01": [130, 7, 229, 5], "02": [3, 0], "03": [2, 0], "05": [130], "06": [130],
             "0C": [11, 184], "0D": [50], "10": [2, 154], "13": [17], "14": [90, 128],
             "1C": [1], "21": [0, 5], "2F": [166], "42": [55, 20], "46": [60]},
    "freezeFrame": {"02": [3, 0], "05": [150], "0C": [13, 172]},
    "vin": "1FTFW1ET5DFC10312", "calibrationIds": ["JMB*36761500"], "cvns": ["1791BC82"],
    "ecuName": "ECM-EngineControl", "permanentCodes": ["0300"],
    "obdMonitors": {"01": [{"tid": "8E", "unit": "0B", "value": 551, "min": 169, "max": 19898}],
                    "21": [{"tid": "80", "unit": "24", "value": 12, "min": 0, "max": 40}]},
    "o2Tests": {"sensors": {"01": {"01": [90], "05": [25, 10, 50]}}},
    "monitorTests": {"0B": {"01": {"value": 500, "min": 400}}},
    "storedCodes": ["0300", "C123"], "pendingCodes": ["0420"]}]})";

// What a check may say when a request was not answered; no other line may differ from a clean run.
inline bool saysSomethingWentWrong(const QString& line) {
    static const QRegularExpression failure(QStringLiteral(
        "^$|^== .* ==$|No answer|refused|interrupted|stopped answering|connection to the scan "
        "tool was lost|^ECU Timeout|^ECU Off-Line|^Not connected|F/W: \\(no answer\\)|Timeout "
        "waiting|No Freeze Frame Data Stored|Operation Failed|The MIL is off, read codes anyway|"
        "model year unknown|\tNo Answer$|PASS command not acknowledged"));
    return failure.match(line).hasMatch();
}

// The report on the car captured in `file`, as vamrick-sim replays it, with the connection's
// `arguments` (e.g. --adapter elm327); the file is removed after. Nothing when the capture wrote
// no file.
inline std::optional<ProgramRun> replayed(const QString& file, const QStringList& arguments = {}) {
    if (!QFile::exists(file))
        return std::nullopt;
    SimProcess replay({"--profile", file});
    const ProgramRun run =
        vamrick(QStringList{"--com", "1=" + replay.path(), "--report", "--mode6-scan"} + arguments);
    QFile::remove(file);
    return run;
}

} // namespace e2e
