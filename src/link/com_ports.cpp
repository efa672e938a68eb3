// SPDX-License-Identifier: GPL-3.0-or-later
#include "com_ports.h"

namespace scan {

PortMap::PortMap() {
    for (int n = 1; n <= 9; ++n) {
#ifdef Q_OS_WIN
        devices_[n] = QStringLiteral("COM%1").arg(n);
#else
        devices_[n] = n <= 4 ? QStringLiteral("/dev/ttyS%1").arg(n - 1)
                             : QStringLiteral("/dev/ttyUSB%1").arg(n - 5);
#endif
    }
}

QString PortMap::device(int port) const {
    return devices_.value(port);
}

void PortMap::setDevice(int port, const QString& device) {
    devices_[port] = device;
}

std::optional<std::pair<int, QString>> PortMap::parseOverride(const QString& text) {
    const int eq = text.indexOf(QLatin1Char('='));
    bool ok = false;
    const int port = text.left(eq).toInt(&ok);
    if (eq < 0 || !ok || port < 1 || port > 9 || eq + 1 >= text.size())
        return std::nullopt;
    return std::make_pair(port, text.mid(eq + 1));
}

ComPorts::ComPorts(Factory factory) : factory_(std::move(factory)) {}

bool ComPorts::probe(int port) {
    if (current_ && currentPort_ == port && current_->isOpen())
        return true;
    std::unique_ptr<Transport> transport = factory_(port);
    QString error;
    if (!transport || !transport->open(error))
        return false;
    transport->close();
    return true;
}

QString ComPorts::device(int port) const {
    const std::unique_ptr<Transport> transport = factory_(port);
    return transport ? transport->device() : QString();
}

Transport* ComPorts::open(int port, QString& error) {
    if (current_ && currentPort_ == port && current_->isOpen())
        return current_.get();
    close();
    std::unique_ptr<Transport> transport = factory_(port);
    if (!transport) {
        error = QStringLiteral("COM%1 is not available").arg(port);
        return nullptr;
    }
    if (!transport->open(error))
        return nullptr;
    current_ = std::move(transport);
    currentPort_ = port;
    return current_.get();
}

void ComPorts::close() {
    if (current_) {
        current_->close();
        // The port may be closed from inside one of its own signals (a lost device).
        current_.release()->deleteLater();
    }
    currentPort_ = 0;
}

} // namespace scan
