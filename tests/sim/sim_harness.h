// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sim/scan_tool_simulator.h"

#include <QObject>

#include <memory>
#include <ostream>
#include <utility>

// Replies in failure messages as text, with the bytes that are not printable escaped.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"';
    for (char c : bytes) {
        if (c >= 0x20 && c < 0x7F)
            *os << c;
        else
            *os << "\\x" << QByteArray(1, c).toHex().constData();
    }
    *os << '"';
}

inline sim::Profile profileFrom(const QByteArray& json) {
    QString error;
    std::optional<sim::Profile> profile = sim::Profile::fromJson(json, &error);
    if (!profile)
        qFatal("test profile: %s", qPrintable(error));
    return *profile;
}

// A simulator on a clock the test moves by hand, with everything it sends collected.
struct SimHarness {
    explicit SimHarness(sim::Profile profile = sim::Profile::defaults())
        : simulator(std::make_unique<sim::ScanToolSimulator>(std::move(profile), nullptr,
                                                             [this] { return now; })) {
        QObject::connect(simulator.get(), &sim::ScanToolSimulator::transmit,
                         [this](const QByteArray& bytes) { sent += bytes; });
    }
    explicit SimHarness(const QByteArray& json) : SimHarness(profileFrom(json)) {}

    void advance(qint64 ms) {
        now += ms;
        simulator->poll();
    }
    QByteArray take() { return std::exchange(sent, {}); }
    // Sends a command at the current time and returns what came back at once.
    QByteArray ask(const QByteArray& command) {
        take();
        simulator->receive(command);
        return take();
    }

    qint64 now = 1000;
    QByteArray sent;
    std::unique_ptr<sim::ScanToolSimulator> simulator;
};

// The box's answer without its timing.
inline QByteArray ask(sim::BoxAnswers& box, const char* text, double seconds = 0) {
    return box.answer(*sim::parseCommand(text), seconds);
}
