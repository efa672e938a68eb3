// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer_status.h"
#include "wait.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <map>
#include <optional>

namespace scan {

// The data bytes J1979 gives a service $01 PID (four for the support maps $00, $20 ...); 0 when
// not known.
int pidDataBytes(int pid);

// At most this many PIDs share one request of service $01.
constexpr int kMaxPidsARequest = 6;

// One OBD request as a service asks it, whatever scan tool carries it.
struct ObdRequest {
    quint8 service = 0x01;
    // The bytes after the service: the PID, or a test ID and a sensor; in service $01 up to six
    // PIDs of known length (where the driver can carry several PIDs a request).
    QByteArray parameters;
    // How many bytes each answer carries after its response id, the echoed parameters included
    // ($01 $0C, engine speed: the PID and two data bytes, 3). Several PIDs a request: unused,
    // each PID brings its own length.
    int answerBytes = 0;
    // How long the answer may take; nothing: the reply timeout.
    std::optional<Deadline> deadline;

    bool severalPids() const { return service == 0x01 && parameters.size() > 1; }
};

// Each PID's data in an answer to several PIDs of service $01 ($41, then each PID and its
// data), split by the PIDs' lengths: nothing unless it splits exactly, naming each PID at most
// once and only PIDs of `asked`.
std::optional<std::map<quint8, QByteArray>> pidsOf(QByteArrayView answer, QByteArrayView asked);

// What one ECU answered: its address and the answer's bytes, its response id first. Trouble
// codes that came in several frames follow one response id, two bytes a code.
struct EcuAnswer {
    quint8 address = 0;
    QByteArray data;
};

// An ECU's address as the window shows it after "ECU #=": two hex digits, "E8".
QString ecuText(quint8 address);

// The answer to one request: a status (only Answered carries data) and each answering ECU's
// bytes. The driver has judged it to its last byte before anyone reads it. An answered request
// without ECUs is the scan tool's own "nothing to report".
class ObdAnswer {
public:
    ObdAnswer() = default;
    // `said`: what the scan tool said instead of an answer, in its own words ("CAN ERROR").
    explicit ObdAnswer(AnswerStatus status, QString raw = {}, QString said = {})
        : status_(status), raw_(std::move(raw)), said_(std::move(said)) {}
    ObdAnswer(QList<EcuAnswer> ecus, QString raw)
        : status_(AnswerStatus::Answered), ecus_(std::move(ecus)), raw_(std::move(raw)) {}

    AnswerStatus status() const { return status_; }
    bool answered() const { return status_ == AnswerStatus::Answered; }
    bool ended() const { return endsOperation(status_); }
    const QList<EcuAnswer>& ecus() const { return ecus_; }
    // The first answering ECU's address as two hex digits ("10"); empty when none answered.
    QString ecu() const;
    // Byte `index` of the first ECU's answer (0: the response id); 0 past its end.
    int byte(int index) const;
    // For a support map's answer (response id, the map's id, four bytes): whether it names the
    // id `n` places above the map's own (1 to 32; bit 7 of the first byte is 1).
    bool mapNames(int n) const { return byte(2 + (n - 1) / 8) & (0x80 >> ((n - 1) % 8)); }
    // The answer to one PID of an answered request for several, as if asked alone for
    // `answerBytes` (the PID included): the ECUs that gave it, the first ECU's first. EcuTimeout
    // when the first ECU left it out.
    ObdAnswer ofPid(quint8 pid, int answerBytes) const;
    // What the scan tool sent, as text, for the debug echo.
    const QString& raw() const { return raw_; }
    const QString& said() const { return said_; }

private:
    AnswerStatus status_ = AnswerStatus::Late;
    QList<EcuAnswer> ecus_;
    QString raw_;
    QString said_;
};

// As for a status; what the scan tool said instead of an answer follows in brackets: "No answer
// to the Engine RPM request (the adapter said: CAN ERROR)."
QString noAnswerText(const ObdAnswer& answer, const QString& what);
QString interruptionText(const ObdAnswer& answer, const QString& operation);

} // namespace scan
