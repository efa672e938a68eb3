// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer_status.h"
#include "wait.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace scan {

// One OBD request as a service asks it, whatever scan tool carries it.
struct ObdRequest {
    quint8 service = 0x01;
    QByteArray parameters; // the bytes after the service: the PID, or a test ID and a sensor
    // How many bytes each answer carries after its response id, the echoed parameters included
    // ($01 $0C, engine speed: the PID and two data bytes, 3).
    int answerBytes = 0;
    // How long the answer may take; nothing: the reply timeout.
    std::optional<Deadline> deadline;
};

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
