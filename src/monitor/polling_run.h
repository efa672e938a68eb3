// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/scan_tool_link.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <optional>

namespace monitor {

// The one long-running loop of the live windows. It runs a pass again and again, each pass
// starting an interval after the one before (or at once), until it is stopped, the scan tool is
// lost or the sample limit is reached. It runs inside an operation of the OperationRunner, and it
// only ever waits in the link's event pump, so the windows stay live and an idle run costs no
// CPU. A window connects its STOP and Pause buttons to the slots.
class PollingRun : public QObject {
    Q_OBJECT
public:
    enum class End { Done, Stopped, LostScanTool, Limit };

    explicit PollingRun(scan::ScanToolLink& link, QObject* parent = nullptr)
        : QObject(parent), link_(link) {}

    void setInterval(std::optional<std::chrono::milliseconds> interval) { interval_ = interval; }
    // The first pass waits this long after the run starts.
    void setStartDelay(std::chrono::milliseconds delay) { startDelay_ = delay; }
    void setLimit(std::optional<int> samples) { limit_ = samples; }

    // Runs passes until the run ends, and says why: a pass returns false when it is done (End::
    // Done). Escape (the link's stop) ends the run at once, in the middle of a pass; stop() after
    // the pass under way.
    End run(const std::function<bool()>& pass);
    int samples() const { return samples_; }
    bool paused() const { return paused_; }

public slots:
    void stop() { stopAfterPass_ = true; }
    void pause() { paused_ = true; }
    void resume() { paused_ = false; }

private:
    // Why the run must end now, if it must.
    std::optional<End> ending() const;

    scan::ScanToolLink& link_;
    std::optional<std::chrono::milliseconds> interval_;
    std::chrono::milliseconds startDelay_{0};
    std::optional<int> limit_;
    int samples_ = 0;
    bool stopAfterPass_ = false;
    bool paused_ = false;
};

} // namespace monitor
