// SPDX-License-Identifier: GPL-3.0-or-later
#include "elm_port.h"

namespace scan::elm {

ElmPort::ElmPort(std::unique_ptr<ElmAdapter> adapter, std::unique_ptr<Transport> port)
    : device_(port->device()), adapter_(std::move(adapter)), port_(std::move(port)) {
    if (!adapter_)
        return;
    connect(adapter_.get(), &ElmAdapter::failed, this, &Transport::lost);
    connect(adapter_.get(), &ElmAdapter::lost, this, &Transport::lost);
}

ElmPort::~ElmPort() {
    close();
}

bool ElmPort::open(QString& error) {
    if (!adapter_) {
        error = QStringLiteral("no ELM327 adapter can be used on ") + device_;
        return false;
    }
    if (!device_.startsWith(QLatin1String("tcp:"))) {
        if (!port_->open(error))
            return false;
        port_->close(); // the adapter opens the device itself
    }
    open_ = true;
    return true;
}

void ElmPort::close() {
    if (open_ && adapter_)
        adapter_->stop();
    open_ = false;
}

} // namespace scan::elm
