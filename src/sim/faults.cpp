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

std::optional<FaultRule> parseFaultRule(const QString& text, QString* error) {
    auto fail = [&](const QString& why) -> std::optional<FaultRule> {
        if (error)
            *error = QStringLiteral("fault \"%1\": %2").arg(text, why);
        return std::nullopt;
    };
    const QStringList parts = text.split(u':');
    if (parts.size() > 3)
        return fail(QStringLiteral("expected NAME[:COUNT[:PREFIX]]"));
    FaultRule rule;
    const std::optional<Fault> fault = faultFromName(parts[0]);
    if (!fault)
        return fail(QStringLiteral("unknown name; known: ") + faultNames());
    rule.fault = *fault;
    if (parts.size() > 1 && !parts[1].isEmpty()) {
        bool ok = false;
        rule.count = parts[1].toInt(&ok);
        if (!ok || rule.count < 1)
            return fail(QStringLiteral("the count must be a whole number of at least 1"));
    }
    if (parts.size() > 2) {
        rule.prefix = parts[2].toLatin1().toUpper();
        if (rule.prefix.size() > 6 ||
            !std::all_of(rule.prefix.begin(), rule.prefix.end(), isHexDigit))
            return fail(QStringLiteral("the prefix must be up to six hex digits"));
    }
    return rule;
}

void FaultPlan::add(FaultRule rule) {
    if (rule.count == 0 || rule.count < -1)
        return;
    rule.prefix = rule.prefix.toUpper();
    pending_.push_back(std::move(rule));
}

std::optional<Fault> FaultPlan::take(const QByteArray& command) {
    const auto it = std::find_if(pending_.begin(), pending_.end(), [&](const FaultRule& rule) {
        return command.startsWith(rule.prefix);
    });
    if (it == pending_.end())
        return std::nullopt;
    const Fault fault = it->fault;
    if (it->count > 0 && --it->count == 0)
        pending_.erase(it);
    return fault;
}

bool FaultPlan::silencesMarkers() const {
    return std::any_of(pending_.begin(), pending_.end(), [](const FaultRule& rule) {
        return rule.fault == Fault::Silence && rule.prefix.isEmpty();
    });
}

} // namespace sim
