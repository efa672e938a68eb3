// SPDX-License-Identifier: GPL-3.0-or-later
#include "in_process_transport.h"

#include <utility>

namespace scan {

bool InProcessTransport::open(QString& error) {
    if (unplugged_ || !openFailure_.isEmpty()) {
        error = unplugged_ ? QStringLiteral("the device is gone") : openFailure_;
        return false;
    }
    open_ = true;
    return true;
}

void InProcessTransport::close() {
    open_ = false;
    input_.clear();
}

bool InProcessTransport::write(const QByteArray& bytes) {
    if (!open_)
        return false;
    if (toDevice)
        toDevice(bytes);
    return true;
}

std::optional<QByteArray> InProcessTransport::readAll() {
    if (!open_)
        return std::nullopt;
    return std::exchange(input_, {});
}

void InProcessTransport::receive(const QByteArray& bytes) {
    if (!open_ || bytes.isEmpty())
        return;
    input_ += bytes;
    emit readyRead();
}

void InProcessTransport::unplug(const QString& reason) {
    unplugged_ = true;
    if (open_) {
        close();
        emit lost(reason);
    }
}

} // namespace scan
