// SPDX-License-Identifier: GPL-3.0-or-later
#include "connection.h"

namespace scan {

namespace {
constexpr double kO2TestFirmware = 3.09; // newer firmware runs the O2 and on-board tests
} // namespace

void probeComPorts(ComPorts& ports, ConnectionView& view) {
    const Entry entries[] = {Entry::Com1, Entry::Com2, Entry::Com3, Entry::Com4};
    for (Entry e : entries)
        view.setEntryEnabled(e, false);
    for (int n = 1; n <= 4; ++n) {
        if (ports.probe(n))
            view.setEntryEnabled(entries[n - 1], true);
    }
}

Connection::Connection(ScanToolLink& link, Driver& driver, ComPorts& ports, usb::UsbPort& usb,
                       ConnectionView& view, core::Prompter& prompter)
    : link_(link), driver_(driver), ports_(ports), usb_(usb), view_(view), prompter_(prompter) {}

namespace {
// What each menu command disables while it connects, and enables again once connected.
struct EntryPlan {
    std::vector<Entry> disabled;
    std::vector<Entry> reenabled;
};

EntryPlan planOf(Entry entry) {
    switch (entry) {
    case Entry::Com1:
        return {{Entry::Com2, Entry::Com3}, {Entry::Com2, Entry::Com3}};
    case Entry::Com2:
        return {{Entry::USB, Entry::Com1, Entry::Com3}, {Entry::Com1, Entry::Com3}};
    default:
        return {{Entry::Com2, Entry::Com1}, {Entry::Com2, Entry::Com1}};
    }
}
} // namespace

Connection::Outcome Connection::begin(Entry entry, std::optional<int> port) {
    LinkState& state = link_.state();
    failureReason_.clear();
    overUsb_ = entry == Entry::USB;
    if (overUsb_)
        return beginUsb();
    if (entry != Entry::ComX)
        port = int(entry) - int(Entry::Com1) + 1;
    if (!port) {
        state.ComPortNumber = 1;
        view_.showPortChooser();
        // Closing the chooser without a pick, or a stop, gives up the connection.
        link_.wait([&] { return state.ComPortNumber >= 5 || !view_.portChooserVisible(); },
                   Deadline::never());
        if (state.ComPortNumber < 5) {
            failureReason_ = QStringLiteral("no port was chosen");
            return Outcome::Cancelled;
        }
        port = state.ComPortNumber;
    }

    const EntryPlan plan = planOf(entry);
    disabled_ = plan.disabled;
    reenabled_ = plan.reenabled;
    view_.setServiceButtonsEnabled(false);
    for (Entry e : disabled_)
        view_.setEntryEnabled(e, false);

    QString error;
    Transport* transport = ports_.open(*port, error);
    if (!transport) {
        failureReason_ = error;
        // The message box names no port; the status window says which device and why.
        view_.setStatusText(QStringLiteral("\r\nNot connected: ") + error +
                            QStringLiteral(".\r\n"));
        prompter_.message({QStringLiteral("Invalid COM PORT")});
        for (Entry e : {Entry::Com1, Entry::Com3, Entry::Com2, Entry::Com4})
            view_.setEntryEnabled(e, true);
        return Outcome::PortFailed;
    }
    link_.setTransport(transport, QStringLiteral("Com%1 (%2)").arg(*port).arg(transport->device()));
    showWaiting();
    if (!waitForVehicle() || !get_FW_version())
        return giveUp(whyNotConnected());
    return Outcome::Connected;
}

Connection::Outcome Connection::finish() {
    if (link_.lost())
        return giveUp(whyNotConnected());
    if (!overUsb_)
        view_.setLinkText(QStringLiteral("ECU Connected"));
    view_.setServiceButtonsEnabled(true);
    if (link_.state().FirmwareVersion > kO2TestFirmware)
        view_.showMode5();
    for (Entry e : reenabled_)
        view_.setEntryEnabled(e, true);
    view_.setConnectionMenuEnabled(false);
    return Outcome::Connected;
}

QString Connection::whyNotConnected() const {
    if (link_.lost())
        return QStringLiteral("the scan tool stopped answering");
    return failureReason_.isEmpty() ? QStringLiteral("the connection was cancelled")
                                    : failureReason_;
}

bool Connection::waitForVehicle() {
    const Driver::Start start = driver_.start(readyWaitLimit_);
    if (!start.reason.isEmpty())
        failureReason_ = start.reason;
    return start.reached;
}

Connection::Outcome Connection::beginUsb() {
    disabled_ = {Entry::Com2, Entry::Com3, Entry::Com1, Entry::Com4, Entry::ComX, Entry::USB};
    reenabled_.clear();
    view_.setServiceButtonsEnabled(false);
    for (Entry e : disabled_)
        view_.setEntryEnabled(e, false);
    QString error;
    if (!usb_.USB_init(view_, error)) {
        giveUp(error);
        view_.setLinkText(QStringLiteral("USB FAILURE"));
        view_.appendStatusText(QStringLiteral("USB driver not found\r\n"));
        return Outcome::PortFailed;
    }
    // Plugging the scan tool in is up to the user: the wait is bounded and Esc ends it.
    const WaitEnd end = link_.wait(
        [this] { return usb_.USBAttached(); },
        Deadline::after([this] { return link_.now(); }, readyWaitLimit_.value_or(kAttachLimit)));
    if (end != WaitEnd::Met) {
        const QString missing =
            QStringLiteral("no USB scan tool %1 is attached").arg(toText(usb_.identity()));
        return giveUp(end == WaitEnd::Stopped    ? QStringLiteral("the connection was cancelled")
                      : usb_.refusal().isEmpty() ? missing
                                                 : usb_.refusal());
    }
    if (!useUsbTransport())
        return Outcome::PortFailed;
    view_.setLinkColour(LinkColour::Yellow);
    view_.setLinkText(QStringLiteral("ECU CONNECT"));
    if (!waitForVehicle() || !get_FW_version())
        return giveUp(whyNotConnected());
    return Outcome::Connected;
}

bool Connection::useUsbTransport() {
    QString error;
    Transport* transport = usb_.open(link_.replyTimeout(), error);
    if (!transport) {
        giveUp(error);
        view_.setLinkText(QStringLiteral("USB Failure"));
        return false;
    }
    link_.setTransport(transport, transport->device());
    // Transfer errors are the user's to see only in debug mode.
    QObject::connect(usb_.current(), &usb::UsbTransport::transferFailed, usb_.current(),
                     [this](const QString& text) {
                         if (link_.state().DebugMode)
                             view_.setStatusText(text);
                     });
    return true;
}

Connection::Outcome Connection::giveUp(const QString& reason) {
    failureReason_ = reason;
    ports_.close();
    usb_.close();
    link_.setTransport(nullptr);
    if (overUsb_)
        probeComPorts(ports_, view_);
    for (Entry e : disabled_) {
        if (!overUsb_ || e == Entry::ComX || e == Entry::USB)
            view_.setEntryEnabled(e, true);
    }
    view_.setLinkColour(LinkColour::Red);
    view_.showOutOfReach(QStringLiteral("ECU Off-Line"));
    view_.setStatusText(QStringLiteral("\r\nNot connected: ") + reason + QStringLiteral(".\r\n"));
    return Outcome::Cancelled;
}

void Connection::showWaiting() {
    view_.setLinkColour(LinkColour::Yellow);
    view_.showOutOfReach(QStringLiteral("Waiting for ECU"));
    view_.setStatusText(
        QStringLiteral("\r\nWaiting for the scan tool to reach the vehicle. Press Esc to "
                       "stop waiting.\r\n"));
}

bool Connection::get_FW_version() {
    LinkState& state = link_.state();
    state.NoVehicleLink = false;
    view_.setStatusText(QStringLiteral("\r\n"));
    const std::optional<AnswerStatus> notReady = driver_.awaitVehicle();
    if (notReady && *notReady != AnswerStatus::NoVehicle)
        return false;
    if (notReady) {
        view_.setStatusText(QStringLiteral("ECU not Communicating"));
    } else {
        const Driver::Identity identity = driver_.identify();
        if (identity.status == AnswerStatus::Lost || identity.status == AnswerStatus::Stopped)
            return false;
        if (identity.status == AnswerStatus::Answered) {
            view_.setFirmwareCaption(QStringLiteral("F/W: ") + identity.caption);
            state.FirmwareVersion = identity.version;
            if (state.FirmwareVersion > kO2TestFirmware)
                view_.setMode6Enabled(true);
        } else {
            // The survey that follows empties the status window, so the caption says it.
            link_.noteUnanswered();
            view_.setFirmwareCaption(QStringLiteral("F/W: (no answer)"));
        }
    }
    return true;
}

bool Connection::nextEcu() {
    LinkState& state = link_.state();
    state.NoVehicleLink = false;
    view_.setStatusText(QStringLiteral("\r\n"));
    // The next-ECU command goes out even when the vehicle does not answer.
    const std::optional<AnswerStatus> notReady = driver_.awaitVehicle();
    if (notReady && *notReady != AnswerStatus::NoVehicle) {
        view_.appendStatusText(interruptionText(*notReady, QStringLiteral("Changing the ECU")));
        return false;
    }
    driver_.nextEcu();
    view_.toggleChangeEcu();
    return true;
}

} // namespace scan
