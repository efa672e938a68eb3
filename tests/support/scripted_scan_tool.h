// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/box/box_driver.h"
#include "link/in_process_transport.h"
#include "link/scan_tool_link.h"
#include "recording_link_view.h"
#include "scripted_prompter.h"

#include <QTimer>

#include <map>

// A scan tool with canned replies, for replies no consistent vehicle would give. Like the real
// box it sends "S" every few milliseconds while idle and is quiet while a command is pending; a
// command without a reply leaves it quiet until the next command. A command in `unplugOn` makes
// the device vanish.
struct ScriptedScanTool {
    ScriptedScanTool() {
        QString error;
        port.open(error);
        port.toDevice = [this](const QByteArray& command) {
            sent << command;
            marker.stop();
            if (command == unplugOn) {
                port.unplug(QStringLiteral("device removed"));
                return;
            }
            const auto it = replies.find(command);
            if (it == replies.end())
                return;
            port.receive(it->second);
            marker.start();
        };
        marker.setInterval(2);
        QObject::connect(&marker, &QTimer::timeout, &port, [this] { port.receive("S"); });
        marker.start();
        link.setTransport(&port);
    }

    // A reply frame: the leading character, the given bytes as hex text and their checksum.
    static QByteArray frame(const QByteArray& hexBytes) {
        quint8 sum = 0;
        for (char byte : QByteArray::fromHex(hexBytes))
            sum = quint8(sum + quint8(byte));
        return "V" + hexBytes + QByteArray(1, char(sum)).toHex().toUpper();
    }

    std::map<QByteArray, QByteArray> replies;
    QByteArray unplugOn;
    QByteArrayList sent;
    scan::InProcessTransport port;
    QTimer marker;
    scan::LinkState state;
    RecordingLinkView view;
    ScriptedPrompter prompter;
    scan::ScanToolLink link{
        state, view, prompter, {std::chrono::milliseconds(300), core::monotonicTicks, {}}};
    scan::box::BoxDriver box{link, view};
};
