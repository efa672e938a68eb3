// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"
#include "link/driver.h"
#include "link/scan_tool_link.h"

#include <array>

namespace diag {

// Raw vehicle messages through the scan tool's pass-through, as the on-board test window sends
// them.
class PassThrough {
public:
    PassThrough(scan::ScanToolLink& link, scan::Driver& driver, core::Prompter& prompter)
        : link_(link), driver_(driver), prompter_(prompter) {}

    // One raw exchange whose first 13 bytes land in reply. reply is emptied first, so a
    // pass-through that fails never leaves the previous exchange's bytes to be read as this
    // one's. A scan tool that does not take the message on says so in a message; unanswered
    // exchanges are counted, a refusal is an answer.
    scan::AnswerStatus send(quint8 service, quint8 testId, quint8 componentId, int length);

    std::array<quint8, 14> reply{};

private:
    scan::ScanToolLink& link_;
    scan::Driver& driver_;
    core::Prompter& prompter_;
};

} // namespace diag
