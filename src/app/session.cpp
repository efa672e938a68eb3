// SPDX-License-Identifier: GPL-3.0-or-later
#include "session.h"

#include "link/elm/elm_port.h"

namespace app {

namespace {

// The ports as the adapter choice has them: the box's own, or an adapter on the device the port
// stands for.
scan::ComPorts::Factory choosingFactory(const Session& session, Session::Parts& parts) {
    return [&session, ports = std::move(parts.portFactory),
            elm = std::move(parts.elmAdapter)](int port) -> std::unique_ptr<scan::Transport> {
        std::unique_ptr<scan::Transport> transport = ports(port);
        if (session.adapter() == Adapter::Box || !transport)
            return transport;
        std::unique_ptr<scan::elm::ElmAdapter> adapter = elm ? elm(transport->device()) : nullptr;
        return std::make_unique<scan::elm::ElmPort>(std::move(adapter), std::move(transport));
    };
}

// What the status bar says while a connection command runs.
QString connectingText(scan::Entry entry) {
    switch (entry) {
    case scan::Entry::USB:
        return QStringLiteral("Waiting for the USB scan tool");
    case scan::Entry::ComX:
        return QStringLiteral("Connecting to the scan tool");
    default:
        return QStringLiteral("Connecting on Com%1").arg(int(entry));
    }
}

} // namespace

scan::Driver& DriverChoice::current() const {
    if (qobject_cast<scan::elm::ElmPort*>(link_.transport()))
        return elm_;
    return box_;
}

scan::ObdAnswer DriverChoice::ask(const scan::ObdRequest& request) {
    scan::ObdAnswer answer = current().ask(request);
    if (observer_)
        observer_->answered(request, answer);
    return answer;
}

scan::Driver::RawAnswer DriverChoice::passThrough(quint8 service, quint8 testId, quint8 componentId,
                                                  int length) {
    const RawAnswer answer = current().passThrough(service, testId, componentId, length);
    if (observer_)
        observer_->passedThrough(service, testId, componentId, answer);
    return answer;
}

scan::Driver::Identity DriverChoice::identify() {
    Identity identity = current().identify();
    if (observer_)
        observer_->identified(identity);
    return identity;
}

void DriverChoice::nextEcu() {
    current().nextEcu();
    if (observer_)
        observer_->ecuChanged();
}

Session::Session(AppState& state, SessionView& view, Parts parts, QObject* parent)
    : QObject(parent), state_(state), view_(view), adapter_(parts.adapter),
      ports_(choosingFactory(*this, parts)), usb_(std::move(parts.usbBackend), parts.usbIdentity),
      link_(state.link, view, parts.prompter, parts.linkSettings), operations_(link_),
      driver_(link_, view), connection_(link_, driver_, ports_, usb_, view, parts.prompter),
      request_(link_, driver_, view), decoders_(request_, state.decoder, state.survey),
      survey_(decoders_, state.decoder, state.survey, view),
      codeReader_(link_, driver_, view, parts.prompter, parts.definitions, state.timing,
                  parts.storedCodeLimit),
      clearCodes_(link_, driver_, view),
      freezeFrame_(survey_, link_, driver_, state.decoder, state.survey, view),
      o2Tests_(link_, driver_, view, state.survey), mode6Tests_(link_, driver_, parts.prompter),
      vehicleInformation_(link_, driver_), realtime_(decoders_, state.decoder),
      logger_(decoders_, state.decoder, state.timing, parts.prompter),
      airFuel_(decoders_, state.decoder, state.survey), fuelTrims_(request_, state.survey),
      wbo2Log_(decoders_, state.decoder) {
    operations_.setView(&view);
    connect(&link_, &scan::ScanToolLink::scanToolLost, this, [this] {
        const int port = ports_.currentPort();
        ports_.close();
        usb_.close();
        emit linkLost(port);
    });
}

QString Session::connectedWhere() const {
    if (!isConnected())
        return {};
    if (!ports_.current())
        return link_.transport()->device();
    return QStringLiteral("Com%1 (%2)").arg(ports_.currentPort()).arg(ports_.current()->device());
}

void Session::runSurvey() {
    vehicleInfo_ = {};
    if (survey_.run())
        showVehicleInformation();
    else
        vehicleInfo_.unavailable =
            QStringLiteral("No answer to the survey: the vehicle information was not read");
    emit surveyFinished();
}

void Session::showVehicleInformation() {
    const QColor colour = view_.statusColour();
    const QString text = view_.linkText();
    vehicleInfo_ = vehicleInformation_.read();
    if (!link_.lost() && !state_.link.NoVehicleLink)
        view_.setStatusBox(colour, text);
    const QString lineBreak = QStringLiteral("\r\n");
    view_.appendStatusText(lineBreak + vehicleInfo_.statusLines().join(lineBreak) + lineBreak);
    const std::optional<QString> vin = vehicleInfo_.validVin();
    if (vin)
        view_.showVin(*vin);
    if (state_.survey.monitorStatus)
        view_.appendStatusText(obd::readinessVerdict(*state_.survey.monitorStatus,
                                                     vin ? obd::modelYearOf(*vin) : std::nullopt) +
                               lineBreak);
    view_.colourStatusText();
}

scan::Connection::Outcome Session::connectScanTool(scan::Entry entry, std::optional<int> port) {
    scan::Connection::Outcome outcome = scan::Connection::Outcome::Busy;
    operations_.run(connectingText(entry), [&] {
        outcome = connection_.begin(entry, port);
        if (outcome != scan::Connection::Outcome::Connected)
            return;
        runSurvey();
        outcome = connection_.finish();
        if (outcome == scan::Connection::Outcome::Connected)
            emit connected();
    });
    return outcome;
}

scan::Connection::Outcome Session::connectByNumber(int port) {
    const scan::Entry entries[] = {scan::Entry::Com1, scan::Entry::Com2, scan::Entry::Com3,
                                   scan::Entry::Com4};
    return port >= 1 && port <= 4 ? connectScanTool(entries[port - 1])
                                  : connectScanTool(scan::Entry::ComX, port);
}

bool Session::changeEcu() {
    return operations_.run(QStringLiteral("Switching to the next ECU"), [this] {
        if (connection_.nextEcu())
            runSurvey();
    });
}

bool Session::survey() {
    return operations_.run(QStringLiteral("Reading the vehicle data"), [this] { runSurvey(); });
}

bool Session::readCodes() {
    return operations_.run(QStringLiteral("Reading the trouble codes"),
                           [this] { codeReader_.read(); });
}

bool Session::clearCodes() {
    return operations_.run(QStringLiteral("Clearing the trouble codes"),
                           [this] { clearCodes_.run(); });
}

bool Session::readFreezeFrame() {
    return operations_.run(QStringLiteral("Reading the freeze frame"),
                           [this] { freezeFrame_.read(); });
}

} // namespace app
