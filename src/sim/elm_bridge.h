// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "box_backend.h"
#include "link/elm/elm_adapter.h"
#include "link/elm/elm_lines.h"

#include <QObject>

#include <memory>
#include <optional>
#include <vector>

namespace sim {

using scan::elm::ElmFraming;
using scan::elm::ElmMessage;
using scan::elm::ElmMessages;

// The box's backend on an ELM327-class adapter: each box command becomes adapter requests, and
// the adapter's answers become the box's frames (header 48 6B and the ECU's address, response id,
// data, checksum). The ECUs that answer a support request are those the ECU switch cycles through,
// the lowest address (the engine) first; where several answer, the current one's answer is used.
// An answer the adapter's lines do not carry whole is the box's unanswered frame.
class ElmBridge : public QObject, public BoxBackend {
    Q_OBJECT
public:
    ElmBridge(std::unique_ptr<scan::elm::ElmAdapter> adapter, char leadingChar,
              QObject* parent = nullptr);

    // Opens and initialises the adapter; the box sends its markers once the adapter is ready and
    // has searched for the vehicle's bus (which may take seconds).
    void start();

    void answer(const Command& command, double seconds, Done done) override;
    void answerPassThrough(const QByteArray& command, Done done) override;
    QByteArray unanswered(const Command& command) const override;
    QByteArray damaged(const Command& command) const override;
    QByteArray refusal(const Command& command, quint8 reason) const override;
    // Not after the adapter found no vehicle bus (ignition off?), until it finds one again.
    bool reachable() const override { return !vehicleMissing_; }
    bool awake() const override { return ready_ && searched_; }
    quint8 currentEcuAddress() const override { return ecu_.value_or(0); }

    scan::elm::ElmAdapter& adapter() { return *adapter_; }

signals:
    // The adapter could not be started or went away, in plain words.
    void lost(const QString& reason);

private:
    // Sends an OBD request (hex digits) and hands over the messages that answer it.
    using Messages = std::function<void(const scan::elm::ElmAnswer&, const ElmMessages&)>;
    void request(const QByteArray& obd, Messages done);
    void learnFraming(const scan::elm::ElmAnswer& answer);
    // Asks again, now and then, while the adapter finds no vehicle.
    void noteVehicle(const scan::elm::ElmAnswer& answer);
    void lookForVehicle();
    void noteEcus(const ElmMessages& found);
    ElmMessages messagesOf(const scan::elm::ElmAnswer& answer, const QByteArray& obd) const;
    // The current ECU's message among several; when none is set, the lowest address of an answer
    // without damage decides.
    std::optional<QByteArray> pick(const ElmMessages& found);

    QByteArray ecuFrame(const Command& command, QByteArray payload) const;
    QByteArray codeFrames(const Command& command, const scan::elm::ElmAnswer& answer,
                          const ElmMessages& found);
    // The reply when the current ECU's answer is not among `found`.
    QByteArray silence(const Command& command, const scan::elm::ElmAnswer& answer,
                       const ElmMessages& found) const;
    void nextEcu(Done done);
    void passThroughAck(Done done) const;

    std::unique_ptr<scan::elm::ElmAdapter> adapter_;
    char leading_;
    bool ready_ = false;
    bool searched_ = false;
    bool vehicleMissing_ = false;
    std::optional<ElmFraming> framing_;
    std::optional<quint8> ecu_;
    bool ecuChosen_ = false;   // by the ECU switch, which a later support answer leaves alone
    std::vector<quint8> ecus_; // those that answered a support request, in order
};

} // namespace sim
