// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan_tool_link.h"

#include <QString>

#include <functional>

namespace scan {

// What the program shows of its operations: the main window's busy state, or nothing at all.
class OperationView {
public:
    virtual ~OperationView() = default;
    // An operation was asked for while another ran, and refused.
    virtual void operationRefused() = 0;
    // `what` runs: the view says so and locks what would start another.
    virtual void operationStarted(const QString& what) = 0;
    virtual void operationEnded() = 0;
};

// The one way an operation that talks to the scan tool is run: one at a time, shown while it
// runs, stopped by Escape. Every window and menu command starts its work here.
class OperationRunner {
public:
    explicit OperationRunner(ScanToolLink& link) : link_(link) {}

    // Nothing shown when none is set.
    void setView(OperationView* view) { view_ = view; }

    // Runs `work` as the one operation talking to the scan tool, shown as `what` ("Reading the
    // trouble codes"). False, and the view told, when another operation runs.
    bool run(const QString& what, const std::function<void()>& work);
    bool busy() const { return link_.busy(); }
    // Escape: the operation under way stops at its next wait.
    void stop() { link_.cancel(); }
    // What the work waits in: the live loops pace their passes by it.
    ScanToolLink& link() { return link_; }

private:
    ScanToolLink& link_;
    OperationView* view_ = nullptr;
};

} // namespace scan
