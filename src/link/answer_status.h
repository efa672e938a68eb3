// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace scan {

// How a request to the scan tool ended. Only Answered carries data; every other kind is "no
// answer" to whoever asked.
enum class AnswerStatus {
    Answered,
    Refused,    // a negative response: 7F, the service, a reason code
    EcuTimeout, // the scan tool says the ECU did not answer
    OutOfStep,  // the scan tool lost step; the request may be sent again
    Garbled,    // it came, but cut short, corrupted or answering another request
    Late,       // the wait ran out before the answer was there
    NoVehicle,  // the scan tool cannot reach the vehicle
    Lost,       // the scan tool is gone
    Stopped,    // the user, or closing the program, ended the operation
};

// The scan tool cannot be asked anything more in this operation.
inline bool endsOperation(AnswerStatus status) {
    return status == AnswerStatus::NoVehicle || status == AnswerStatus::Lost ||
           status == AnswerStatus::Stopped;
}

// The plain line for a request that was not answered: "No answer to the <what> request." or,
// for a refusal, "The ECU refused the <what> request."
QString noAnswerText(AnswerStatus status, const QString& what);

// Why an operation ended early, as a line for the status window, e.g. "The survey was stopped."
QString interruptionText(AnswerStatus status, const QString& operation);

} // namespace scan
