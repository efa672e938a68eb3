// SPDX-License-Identifier: GPL-3.0-or-later
#include "operation_runner.h"

namespace scan {

bool OperationRunner::run(const QString& what, const std::function<void()>& work) {
    ScanToolLink::Operation operation(link_);
    if (!operation.started()) {
        if (view_)
            view_->operationRefused();
        return false;
    }
    if (view_)
        view_->operationStarted(what);
    work();
    if (view_)
        view_->operationEnded();
    return true;
}

} // namespace scan
