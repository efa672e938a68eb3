// SPDX-License-Identifier: GPL-3.0-or-later
#include "answer_status.h"

namespace scan {

QString noAnswerText(AnswerStatus status, const QString& what) {
    return status == AnswerStatus::Refused
               ? QStringLiteral("The ECU refused the %1 request.").arg(what)
               : QStringLiteral("No answer to the %1 request.").arg(what);
}

QString interruptionText(AnswerStatus status, const QString& operation) {
    switch (status) {
    case AnswerStatus::Stopped:
        return operation + QStringLiteral(" was stopped.");
    case AnswerStatus::NoVehicle:
        return operation +
               QStringLiteral(" was interrupted: the scan tool cannot reach the vehicle.");
    default:
        return operation + QStringLiteral(" was interrupted: the scan tool stopped answering.");
    }
}

} // namespace scan
