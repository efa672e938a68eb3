// SPDX-License-Identifier: GPL-3.0-or-later
#include "faults.h"

#include "frames.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <utility>

namespace sim {

namespace {

constexpr std::array names{
    std::pair{Fault::EcuTimeout, "ecu-timeout"},
    std::pair{Fault::ExtraLeadingS, "extra-leading-s"},
    std::pair{Fault::OutOfStepS, "out-of-step-s"},
    std::pair{Fault::Garbage, "garbage"},
    std::pair{Fault::Silence, "silence"},
    std::pair{Fault::Disconnect, "disconnect"},
    std::pair{Fault::Cut, "cut"},
    std::pair{Fault::WrongReply, "wrong-reply"},
    std::pair{Fault::Refuse, "refuse"},
    std::pair{Fault::DropChar, "drop-char"},
    std::pair{Fault::FlipDigit, "flip-digit"},
    std::pair{Fault::Repeat, "repeat"},
};

} // namespace

QString faultName(Fault fault) {
    for (const auto& [f, name] : names) {
        if (f == fault)
            return QString::fromLatin1(name);
    }
    return {};
}

QString faultNames() {
    QStringList all;
    for (const auto& [f, name] : names)
        all << QString::fromLatin1(name);
    return all.join(QStringLiteral(", "));
}

std::optional<Fault> faultFromName(const QString& name) {
    for (const auto& [f, n] : names) {
        if (name == QLatin1StringView(n))
            return f;
    }
    return std::nullopt;
}

std::optional<RuleText> splitRule(const QString& text, QString* error) {
    auto fail = [&](const QString& why) -> std::optional<RuleText> {
        if (error)
            *error = QStringLiteral("fault \"%1\": %2").arg(text, why);
        return std::nullopt;
    };
    const QStringList parts = text.split(u':');
    if (parts.size() > 4)
        return fail(QStringLiteral("expected NAME[:COUNT[:PREFIX[:AFTER]]]"));
    RuleText rule;
    rule.name = parts[0];
    if (parts.size() > 1 && !parts[1].isEmpty()) {
        bool ok = false;
        rule.count = parts[1].toInt(&ok);
        if (!ok || rule.count < 1)
            return fail(QStringLiteral("the count must be a whole number of at least 1"));
    }
    if (parts.size() > 2) {
        rule.prefix = parts[2].toLatin1().toUpper();
        if (rule.prefix.size() > 6 || !isHex(rule.prefix))
            return fail(QStringLiteral("the prefix must be up to six hex digits"));
    }
    if (parts.size() > 3) {
        bool ok = false;
        rule.after = parts[3].toInt(&ok);
        if (!ok || rule.after < 0)
            return fail(QStringLiteral("AFTER must be a whole number of at least 0"));
    }
    return rule;
}

std::optional<FaultRule> parseFaultRule(const QString& text, QString* error) {
    const std::optional<RuleText> rule = splitRule(text, error);
    if (!rule)
        return std::nullopt;
    const std::optional<Fault> fault = faultFromName(rule->name);
    if (!fault) {
        if (error)
            *error =
                QStringLiteral("fault \"%1\": unknown name; known: %2").arg(text, faultNames());
        return std::nullopt;
    }
    return FaultRule{*fault, rule->count, rule->prefix, rule->after};
}

bool FaultPlan::silencesMarkers() const {
    return std::any_of(pending().begin(), pending().end(), [](const FaultRule& rule) {
        return rule.fault == Fault::Silence && rule.prefix.isEmpty();
    });
}

} // namespace sim
