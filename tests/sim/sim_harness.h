#pragma once

#include "sim/scan_tool_simulator.h"

#include <QObject>
#include <QString>

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

// A simulator on a clock the test moves by hand, with everything it sends collected.
struct SimHarness {
    explicit SimHarness(sim::Profile profile = sim::Profile::defaults())
        : simulator(std::make_unique<sim::ScanToolSimulator>(std::move(profile), nullptr,
                                                             [this] { return now; })) {
        QObject::connect(simulator.get(), &sim::ScanToolSimulator::transmit,
                         [this](const QByteArray& bytes) { sent += bytes; });
    }

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

inline sim::Command command(const char* text) {
    return *sim::parseCommand(text);
}

// The vehicle's answer without the box around it.
inline QString ask(sim::Vehicle& vehicle, const char* text, double seconds = 0) {
    return QString::fromLatin1(vehicle.answer(command(text), seconds));
}

// The checksum pair at the end must be the sum of every byte pair before it.
inline bool checksumHolds(const QString& reply) {
    const QByteArray bytes = QByteArray::fromHex(reply.mid(1).toLatin1());
    int sum = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); ++i)
        sum += static_cast<quint8>(bytes[i]);
    return !bytes.isEmpty() && static_cast<quint8>(bytes.back()) == sum % 256;
}

inline sim::Profile profileFrom(const QByteArray& json) {
    QString error;
    std::optional<sim::Profile> profile = sim::Profile::fromJson(json, &error);
    if (!profile)
        qFatal("test profile: %s", qPrintable(error));
    return *profile;
}
