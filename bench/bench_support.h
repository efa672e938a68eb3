// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the benchmarks share: the real serial port that notes what it sends, a printer that is
// not there, the headless program, and the time the paced simulated box needs for a list of
// commands.

#include "app/print_sink.h"
#include "app/program.h"
#include "app/report_prompter.h"
#include "diag/trouble_code_definitions.h"
#include "link/serial_transport.h"
#include "sim/scan_tool_simulator.h"

class RecordingSerial : public scan::SerialTransport {
public:
    RecordingSerial(const QString& device, QByteArrayList& sent)
        : SerialTransport(device), sent_(sent) {}
    bool write(const QByteArray& bytes) override {
        sent_ << bytes;
        return SerialTransport::write(bytes);
    }

private:
    QByteArrayList& sent_;
};

struct NoPrinter : app::PrintSink {
    bool hasPrinter() const override { return false; }
    bool print(const QStringList&, const QString&, QString& whyNot) override {
        whyNot = QStringLiteral("no printer in the benchmark");
        return false;
    }
};

// What the headless program talks to beside its ports.
struct HeadlessParts {
    app::ReportPrompter prompter;
    NoPrinter printer;
    diag::TroubleCodeDefinitions definitions;
};

// The program as a report runs it, on the given ports, loaded.
struct HeadlessProgram : HeadlessParts, app::Program {
    explicit HeadlessProgram(scan::ComPorts::Factory ports)
        : app::Program({prompter, printer, definitions, {}, {}, true},
                       {prompter, definitions, std::move(ports)}) {
        window.load();
    }
};

// What the paced box needs for the commands sent: each exchange's marker, command, latency and
// reply (the leading character, the requested bytes as hex pairs and the checksum pair).
inline double boxSeconds(const QByteArrayList& sent) {
    sim::Profile paced = sim::Profile::defaults();
    paced.paced = true;
    double seconds = 0;
    for (const QByteArray& command : sent)
        seconds += sim::exchangeSeconds(paced, 1 + 2 * command.mid(4, 2).toInt(nullptr, 16) + 2);
    return seconds;
}
