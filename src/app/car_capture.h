// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "diag/vehicle_information.h"
#include "session.h"

#include <QByteArray>
#include <QJsonObject>

#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace app {

// What a car answered during a check, kept per ECU from the requests as the driver judged them,
// and written out as a vehicle profile that vamrick-sim can serve: the values held still, the
// support maps as the car sent them, and each request the car left unanswered or refused.
class CarCapture : public RequestObserver {
public:
    // How the car was reached: an ELM327 adapter (whose identity names the bus), or the box.
    explicit CarCapture(bool throughAdapter) : throughAdapter_(throughAdapter) {}

    void answered(const scan::ObdRequest& request, const scan::ObdAnswer& answer) override;
    void passedThrough(quint8 service, quint8 testId, quint8 componentId,
                       const scan::Driver::RawAnswer& answer) override;
    void identified(const scan::Driver::Identity& identity) override;
    void ecuChanged() override {
        current_.reset();
        unattributed_.clear();
    }

    // The ECU being asked: the first to answer since the last ECU change.
    std::optional<quint8> currentEcu() const { return current_; }
    std::size_t ecuCount() const { return ecus_.size(); }
    // The vehicle information the current ECU gave (its answers vary by bus; the decoded values
    // do not).
    void noteVehicleInfo(const diag::VehicleInfo& info);

    // The profile; `anonymous` replaces each VIN by a made-up one with the same maker and year.
    QJsonObject profile(bool anonymous) const;
    // As a file: indented, each byte array on one line.
    QByteArray profileText(bool anonymous) const;

private:
    struct Ecu {
        quint8 address = 0;
        std::map<quint8, std::map<quint8, QByteArray>> maps; // by service, by map id
        std::map<quint8, QByteArray> pids;
        std::map<quint8, QByteArray> freezeFrame;
        std::map<quint8, QByteArray> codes; // by service ($03, $07, $0A), two bytes a code
        std::optional<quint8> o2SupportReplyId;
        std::map<quint8, std::map<quint8, QByteArray>> o2Tests; // by sensor code, by test
        // By test, by component: the raw message's result (the component with the minimum
        // flag, the value, the limit), as the records of obdMonitors.
        std::map<quint8, std::map<quint8, QByteArray>> monitorTests;
        std::map<quint8, QByteArray> obdMonitors; // the records, nine bytes a test
        std::optional<diag::VehicleInfo> information;
        // The requests asked, and of those the ones unanswered, refused or not read.
        std::set<QByteArray> seen, unanswered, refused, garbled;
    };

    Ecu& ecu(quint8 address);
    // The first ECU to answer since the last change is the one being asked.
    void answeredBy(quint8 address);
    // What the current ECU did with a request it did not answer.
    void missed(const QByteArray& asked, scan::AnswerStatus status);
    void keep(Ecu& ecu, const scan::ObdRequest& request, const QByteArray& data);
    QJsonObject ecuProfile(const Ecu& ecu, const std::map<QString, QString>& vins) const;

    bool throughAdapter_;
    std::optional<scan::Driver::Identity> identity_;
    std::vector<Ecu> ecus_; // in the order they first answered
    std::optional<quint8> current_;
    std::vector<std::pair<QByteArray, scan::AnswerStatus>> unattributed_;
};

} // namespace app
