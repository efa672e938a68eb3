// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>

#include <functional>

namespace sim {

// A simulated device at the end of the host's wire: the scan tool or the ELM327 adapter. Bytes
// from the host go in through receive(), what the device says comes out through transmit().
class SimulatedDevice : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void receive(const QByteArray& bytes) = 0;
    // The line speed the host has set (0: unknown, as over TCP). Only a device that garbles at
    // the wrong rate asks it.
    void setLineSpeed(std::function<qint32()> lineSpeed) { lineSpeed_ = std::move(lineSpeed); }

signals:
    void transmit(const QByteArray& bytes);
    // The device vanished: nothing more comes from it.
    void disconnected();

protected:
    qint32 lineSpeed() const { return lineSpeed_ ? lineSpeed_() : 0; }

private:
    std::function<qint32()> lineSpeed_;
};

} // namespace sim
