// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan_tool_link.h"

namespace scan {

ScanToolLink::ScanToolLink(LinkState& state, LinkView& view, core::Prompter& prompter,
                           Settings settings)
    : state_(state), view_(view), prompter_(prompter), settings_(std::move(settings)) {
    if (!settings_.pump)
        settings_.pump = [this] { pump_.pump(); };
}

ScanToolLink::ScanToolLink(LinkState& state, LinkView& view, core::Prompter& prompter)
    : ScanToolLink(state, view, prompter, Settings{}) {}

void ScanToolLink::setTransport(Transport* transport, const QString& where) {
    if (transport_)
        disconnect(transport_, nullptr, this, nullptr);
    transport_ = transport;
    where_ = where;
    lost_ = false;
    if (transport_) {
        connect(transport_, &Transport::lost, this,
                [this](const QString& reason) { declareLost({}, reason); });
    }
}

void ScanToolLink::cancel() {
    if (busy_)
        stop_.request_stop();
}

void ScanToolLink::shutDown() {
    closing_ = true;
    state_.NoVehicleLink = true;
    stop_.request_stop();
}

void ScanToolLink::renewStop() {
    stop_ = std::stop_source();
    if (closing_)
        stop_.request_stop();
}

WaitEnd ScanToolLink::wait(const std::function<bool()>& condition, const Deadline& deadline) {
    return waitUntil([&] { return lost_ || condition(); }, deadline, stop_.get_token(),
                     settings_.pump);
}

void ScanToolLink::declareLost(const QString& problem, const QString& reason) {
    state_.NoVehicleLink = true;
    if (lost_)
        return; // one message per lost scan tool, not one per exchange
    lost_ = true;
    view_.setLinkColour(LinkColour::Red);
    QString text = QStringLiteral("The scan tool stopped answering");
    if (!where_.isEmpty())
        text += QStringLiteral(" on ") + where_;
    text += QStringLiteral(": it may have been unplugged");
    if (!reason.isEmpty())
        text += QStringLiteral(" (") + reason + QLatin1Char(')');
    text += QLatin1Char('.');
    if (!problem.isEmpty())
        text = problem + QLatin1Char('\n') + text;
    emit scanToolLost();
    prompter_.message({text});
}

std::optional<QByteArray> ScanToolLink::takeInput() {
    if (!transport_ || lost_)
        return std::nullopt;
    std::optional<QByteArray> bytes = transport_->readAll();
    if (!bytes)
        declareLost(QStringLiteral("Communication Error Reading Scan Tool Data"));
    return bytes;
}

ScanToolLink::Operation::Operation(ScanToolLink& link) : link_(link), started_(!link.busy_) {
    if (started_) {
        link_.busy_ = true;
        link_.renewStop();
    }
}

ScanToolLink::Operation::~Operation() {
    if (started_) {
        link_.busy_ = false;
        link_.renewStop();
    }
}

} // namespace scan
