// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transport.h"

#include <QMap>

#include <functional>
#include <memory>
#include <optional>

namespace scan {

// Which device each of COM1-COM9 stands for: the platform's defaults, changed by --com N=DEVICE.
class PortMap {
public:
    PortMap();
    QString device(int port) const;
    void setDevice(int port, const QString& device);
    // Reads "N=DEVICE" with N from 1 to 9.
    static std::optional<std::pair<int, QString>> parseOverride(const QString& text);

private:
    QMap<int, QString> devices_;
};

// The serial port the program uses: probed at start-up, opened by a connection and kept open.
class ComPorts {
public:
    using Factory = std::function<std::unique_ptr<Transport>(int port)>;
    explicit ComPorts(Factory factory);

    // Whether the port opens; it is closed again at once.
    bool probe(int port);
    // The device the port stands for.
    QString device(int port) const;
    // Opens the port for a connection; a port already open for that number is used as it is.
    Transport* open(int port, QString& error);
    void close();
    Transport* current() const { return current_.get(); }
    int currentPort() const { return currentPort_; }

private:
    Factory factory_;
    std::unique_ptr<Transport> current_;
    int currentPort_ = 0;
};

} // namespace scan
