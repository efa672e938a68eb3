// SPDX-License-Identifier: GPL-3.0-or-later
#include "request.h"

#include "core/number_text.h"

#include <array>

namespace scan {

QString ecuText(quint8 address) {
    return core::hexByte(address);
}

namespace {
// J1979's data bytes of each service $01/$02 PID below $68 (0: unknown); the support maps $00,
// $20, $40 ... have four.
constexpr std::array<quint8, 0x68> kPidBytes = {
    4, 4, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1, 1, 1, // 00-0F
    2, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 2, // 10-1F
    4, 2, 2, 2, 4, 4, 4, 4, 4, 4, 4, 4, 1, 1, 1, 1, // 20-2F
    1, 2, 2, 1, 4, 4, 4, 4, 4, 4, 4, 4, 2, 2, 2, 2, // 30-3F
    4, 4, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 4, // 40-4F
    4, 1, 1, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 2, 2, 1, // 50-5F
    4, 1, 1, 2, 5, 2, 5, 3,                         // 60-67
};
} // namespace

int pidDataBytes(int pid) {
    if (pid % 0x20 == 0)
        return 4;
    return pid >= 0 && pid < int(kPidBytes.size()) ? kPidBytes[pid] : 0;
}

namespace {
// Each PID's data, as far as the answer splits exactly into PIDs of known length named once.
std::optional<std::map<quint8, QByteArray>> split(QByteArrayView answer) {
    if (answer.size() < 2 || quint8(answer[0]) != 0x41)
        return std::nullopt;
    std::map<quint8, QByteArray> data;
    for (qsizetype at = 1; at < answer.size();) {
        const quint8 pid = quint8(answer[at]);
        const int bytes = pidDataBytes(pid);
        if (bytes == 0 || at + 1 + bytes > answer.size() ||
            !data.emplace(pid, answer.sliced(at + 1, bytes).toByteArray()).second)
            return std::nullopt;
        at += 1 + bytes;
    }
    return data;
}
} // namespace

std::optional<std::map<quint8, QByteArray>> pidsOf(QByteArrayView answer, QByteArrayView asked) {
    auto data = split(answer);
    if (!data)
        return std::nullopt;
    for (const auto& [pid, bytes] : *data) {
        if (!asked.contains(char(pid)))
            return std::nullopt;
    }
    return data;
}

ObdAnswer ObdAnswer::ofPid(quint8 pid, int answerBytes) const {
    QList<EcuAnswer> ecus;
    for (const EcuAnswer& ecu : ecus_) {
        const auto data = split(ecu.data);
        const bool gave = data && data->contains(pid);
        if (!gave && ecus.isEmpty())
            break;
        if (gave)
            ecus.append({ecu.address, (QByteArray("\x41", 1) + char(pid) + data->at(pid))
                                          .leftJustified(1 + answerBytes, '\0', true)});
    }
    if (ecus.isEmpty())
        return ObdAnswer(AnswerStatus::EcuTimeout, raw_);
    return ObdAnswer(ecus, raw_);
}

QString ObdAnswer::ecu() const {
    return ecus_.isEmpty() ? QString() : ecuText(ecus_.front().address);
}

int ObdAnswer::byte(int index) const {
    if (ecus_.isEmpty() || index < 0 || index >= ecus_.front().data.size())
        return 0;
    return quint8(ecus_.front().data[index]);
}

namespace {
// The sentence with what the scan tool said put in before its full stop.
QString withSaid(QString text, const ObdAnswer& answer) {
    if (!answer.said().isEmpty() && text.endsWith(QLatin1Char('.')))
        text.insert(text.size() - 1, QStringLiteral(" (the adapter said: %1)").arg(answer.said()));
    return text;
}
} // namespace

QString noAnswerText(const ObdAnswer& answer, const QString& what) {
    return withSaid(noAnswerText(answer.status(), what), answer);
}

QString interruptionText(const ObdAnswer& answer, const QString& operation) {
    return withSaid(interruptionText(answer.status(), operation), answer);
}

} // namespace scan
