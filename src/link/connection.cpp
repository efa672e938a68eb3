#include "connection.h"

#include "core/number_text.h"

namespace scan {

namespace {
constexpr double kO2TestFirmware = 3.09; // newer firmware runs the O2 and on-board tests
}

void probe_com_ports(ComPorts& ports, ConnectionView& view) {
    const Entry entries[] = {Entry::Com1, Entry::Com2, Entry::Com3, Entry::Com4};
    for (Entry e : entries)
        view.setEntryEnabled(e, false);
    for (int n = 1; n <= 4; ++n) {
        if (ports.probe(n))
            view.setEntryEnabled(entries[n - 1], true);
    }
}

Connection::Connection(ScanToolLink& link, ComPorts& ports, ConnectionView& view,
                       core::Prompter& prompter)
    : link_(link), ports_(ports), view_(view), prompter_(prompter) {}

Connection::Outcome Connection::mnuConnectionCom1_Click() {
    return connectOn(1, {Entry::Com2, Entry::Com3}, {Entry::Com2, Entry::Com3});
}

Connection::Outcome Connection::mnuConnectionCom2_Click() {
    return connectOn(2, {Entry::USB, Entry::Com1, Entry::Com3}, {Entry::Com1, Entry::Com3});
}

Connection::Outcome Connection::mnuConnectionCom3_Click() {
    return connectOn(3, {Entry::Com2, Entry::Com1}, {Entry::Com2, Entry::Com1});
}

Connection::Outcome Connection::mnuConnectionCom4_Click() {
    return connectOn(4, {Entry::Com2, Entry::Com1}, {Entry::Com2, Entry::Com1});
}

Connection::Outcome Connection::mnuConnectionComX_Click() {
    return connectOn(std::nullopt, {Entry::Com2, Entry::Com1}, {Entry::Com2, Entry::Com1});
}

Connection::Outcome Connection::connectByNumber(int port) {
    switch (port) {
    case 1:
        return mnuConnectionCom1_Click();
    case 2:
        return mnuConnectionCom2_Click();
    case 3:
        return mnuConnectionCom3_Click();
    case 4:
        return mnuConnectionCom4_Click();
    default:
        return connectOn(port, {Entry::Com2, Entry::Com1}, {Entry::Com2, Entry::Com1});
    }
}

Connection::Outcome Connection::connectOn(std::optional<int> port,
                                          std::initializer_list<Entry> disabled,
                                          std::initializer_list<Entry> reenabled) {
    ScanToolLink::Operation operation(link_);
    if (!operation.started())
        return Outcome::Busy;
    LinkState& state = link_.state();
    failureReason_.clear();

    if (!port) {
        state.ComPortNumber = 1;
        view_.showPortChooser();
        while (state.ComPortNumber < 5) {
            if (link_.cancelled() || !view_.portChooserVisible()) {
                failureReason_ = QStringLiteral("no port was chosen");
                return Outcome::Cancelled;
            }
            link_.pumpEvents();
        }
        port = state.ComPortNumber;
    }

    view_.setServiceButtonsEnabled(false);
    for (Entry e : disabled)
        view_.setEntryEnabled(e, false);

    QString error;
    Transport* transport = ports_.open(*port, error);
    if (!transport) {
        failureReason_ = error;
        prompter_.message({QStringLiteral("Invalid COM PORT")});
        for (Entry e : {Entry::Com1, Entry::Com3, Entry::Com2, Entry::Com4})
            view_.setEntryEnabled(e, true);
        return Outcome::PortFailed;
    }
    link_.setTransport(transport);
    state.ComPortActive = true;
    show_waiting();
    if (!waitForVehicle()) {
        giveUp(disabled, link_.lost()               ? QStringLiteral("the scan tool was unplugged")
                         : failureReason_.isEmpty() ? QStringLiteral("the connection was cancelled")
                                                    : failureReason_);
        return Outcome::Cancelled;
    }

    view_.setLinkText(QStringLiteral("Sending FWID"));
    view_.setLinkColour(LinkColour::Green);
    get_FW_version();
    if (link_.lost()) {
        giveUp(disabled, QStringLiteral("the scan tool was unplugged"));
        return Outcome::Cancelled;
    }
    view_.setLinkText(QStringLiteral("ECU Connected"));

    view_.setServiceButtonsEnabled(true);
    if (state.FirmwareVersion > kO2TestFirmware)
        view_.showMode5();
    for (Entry e : reenabled)
        view_.setEntryEnabled(e, true);
    state.ComPortActive = true;
    view_.setConnectionMenuEnabled(false);
    return Outcome::Connected;
}

bool Connection::waitForVehicle() {
    LinkState& state = link_.state();
    const qint64 start = link_.now();
    state.NoVehicleLink = true;
    while (state.NoVehicleLink) {
        if (link_.cancelled() || link_.lost())
            return false;
        if (readyWaitLimit_ && link_.now() - start >= readyWaitLimit_->count()) {
            failureReason_ =
                link_.lastReady() == ScanToolLink::Ready::NoVehicle
                    ? QStringLiteral("the scan tool answers but does not reach the vehicle")
                    : QStringLiteral("no answer from a scan tool on this port");
            return false;
        }
        link_.OBDwait();
        if (state.NoVehicleLink)
            link_.pumpEvents();
    }
    return true;
}

void Connection::giveUp(std::initializer_list<Entry> disabled, const QString& reason) {
    failureReason_ = reason;
    ports_.close();
    link_.setTransport(nullptr);
    for (Entry e : disabled)
        view_.setEntryEnabled(e, true);
    view_.setLinkColour(LinkColour::Red);
    view_.setLinkText(QStringLiteral("ECU Off-Line"));
    view_.setStatusText(QStringLiteral("\r\nNot connected: ") + reason + QStringLiteral(".\r\n"));
}

void Connection::show_waiting() {
    view_.setLinkColour(LinkColour::Yellow);
    view_.setLinkText(QStringLiteral("Waiting for ECU"));
    view_.setStatusText(
        QStringLiteral("\r\nWaiting for the scan tool to reach the vehicle. Press Esc to "
                       "stop waiting.\r\n"));
}

void Connection::get_FW_version() {
    LinkState& state = link_.state();
    state.NoVehicleLink = false;
    view_.setStatusText(QStringLiteral("\r\n"));
    link_.OBDwait();
    link_.OBDinput();
    if (state.NoVehicleLink) {
        view_.setStatusText(QStringLiteral("ECU not Communicating"));
    } else {
        link_.OBDoutput(QStringLiteral("900101"));
        link_.awaitReply(4);
        const QString identification = link_.OBDinput().left(5); // a shorter one is used as it is
        link_.echo(identification);
        view_.setFirmwareCaption(QStringLiteral("F/W: ") + identification);
        state.FirmwareVersion = core::leadingNumber(core::mid(identification, 2, 4));
        if (state.FirmwareVersion > kO2TestFirmware)
            view_.setMode6Enabled(true);
    }
    view_.runSurvey();
}

void Connection::ChangeECU_Click() {
    ScanToolLink::Operation operation(link_);
    if (!operation.started())
        return;
    LinkState& state = link_.state();
    state.NoVehicleLink = false;
    view_.setStatusText(QStringLiteral("\r\n"));
    link_.OBDwait();
    link_.OBDinput();
    link_.OBDoutput(QStringLiteral("800204"));
    link_.echo(link_.readReply(2));
    view_.toggleChangeEcu();
    view_.runSurvey();
}

} // namespace scan
