// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/in_process_transport.h"
#include "link/scan_tool_link.h"
#include "recording_link_view.h"
#include "scripted_prompter.h"
#include "sim/scan_tool_simulator.h"

#include <map>

// The exchange talking to the simulated scan tool in this process, with a short reply timeout.
struct SimulatedLink {
    explicit SimulatedLink(sim::Profile profile = sim::Profile::defaults())
        : simulator(std::move(profile)) {
        QString error;
        port.open(error);
        port.toDevice = [this](const QByteArray& bytes) {
            sent << bytes;
            simulator.receive(bytes);
        };
        QObject::connect(&simulator, &sim::ScanToolSimulator::transmit, &port,
                         &scan::InProcessTransport::receive);
        link.setTransport(&port);
    }

    sim::ScanToolSimulator simulator;
    scan::InProcessTransport port;
    QByteArrayList sent; // every command the program wrote
    scan::LinkState state;
    RecordingLinkView view;
    ScriptedPrompter prompter;
    scan::ScanToolLink link{
        state, view, prompter, {std::chrono::milliseconds(400), core::monotonicTicks, {}}};
};

// A vehicle whose one ECU ("10") has exactly these current-data and freeze-frame PIDs.
inline sim::Profile vehicleWith(const std::map<quint8, QByteArray>& pids,
                                const std::map<quint8, QByteArray>& freezeFrame = {}) {
    sim::Profile profile = sim::Profile::defaults();
    sim::Ecu ecu;
    for (const auto& [pid, data] : pids)
        ecu.pids[pid] = data;
    ecu.freezeFrame = freezeFrame;
    profile.ecus = {ecu};
    return profile;
}

inline QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}
