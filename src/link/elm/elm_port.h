// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "elm_adapter.h"
#include "link/transport.h"

#include <memory>

namespace scan::elm {

// A COM port with an ELM327-class adapter on it, as the link holds it. The adapter does its own
// reading and writing; this port only shows that the device is there (a serial device that does
// not open makes no port, as for the box) and says when the adapter fails or goes away. Without
// an adapter (none could be made for the device) the port does not open.
class ElmPort : public Transport {
    Q_OBJECT
public:
    // `port` is the device's own transport, opened and closed again to see that it is there.
    ElmPort(std::unique_ptr<ElmAdapter> adapter, std::unique_ptr<Transport> port);
    ~ElmPort() override;

    bool open(QString& error) override;
    void close() override;
    bool isOpen() const override { return open_; }
    bool write(const QByteArray&) override { return open_; }
    std::optional<QByteArray> readAll() override { return QByteArray(); }
    qint64 bytesAvailable() const override { return 0; }
    QString device() const override { return device_; }

    ElmAdapter& adapter() { return *adapter_; }

private:
    QString device_;
    std::unique_ptr<ElmAdapter> adapter_;
    std::unique_ptr<Transport> port_;
    bool open_ = false;
};

} // namespace scan::elm
