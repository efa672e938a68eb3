// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"
#include "link/scan_tool_link.h"

#include <array>

namespace diag {

// The first two header bytes of a pass-through message for the protocol digit the scan tool
// acknowledged with: by its low four bits, 4 gives $61 $6A, 8 gives $C3 $33, anything else
// $68 $6A.
std::array<quint8, 2> protocolHeader(QChar digit);

// The 14-byte pass-through command: $01, the message length (header and data bytes), the
// header, the service, the test ID, the component ID, and zeros to the end.
QByteArray passThroughCommand(const std::array<quint8, 3>& header, quint8 service, quint8 testId,
                              quint8 componentId, int length);

// Raw vehicle messages through the scan tool's pass-through mode, which is entered anew before
// every exchange.
class PassThrough {
public:
    PassThrough(scan::ScanToolLink& link, core::Prompter& prompter)
        : link_(link), prompter_(prompter) {}

    // Puts the scan tool into pass-through mode and takes the header's first two bytes from its
    // acknowledgement. Otherwise NoVehicleLink is set and the reply says why: Refused when the
    // scan tool answered without acknowledging ("PASS command not acknowledged" is shown),
    // any other status when it did not answer.
    scan::Reply PASS_ON();

    // PASS_ON, then one raw exchange whose first 13 bytes land in PassReply. PassReply is
    // emptied first, so a pass-through that fails never leaves the previous exchange's bytes to
    // be read as this one's. Unanswered exchanges are counted; a refusal to acknowledge is an
    // answer.
    scan::Reply PASS_MSG_OUT(quint8 service, quint8 testId, quint8 componentId, int length);

    std::array<quint8, 3> MsgHeader{0x68, 0x6A, 0xF1};
    std::array<quint8, 14> PassReply{};

private:
    scan::ScanToolLink& link_;
    core::Prompter& prompter_;
};

} // namespace diag
