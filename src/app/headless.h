// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "command_line.h"
#include "main_window.h"
#include "report_prompter.h"
#include "session.h"

namespace app {

// The check of a car without a window: connects on the port the command line names (which runs
// the survey), optionally clears the codes, reads the trouble codes and the freeze frame, and
// prints what the window shows after each step. Exit status 0 when every request was answered.
int runReport(MainWindow& window, Session& session, const Options& options,
              ReportPrompter& prompter);

// The report, run as a capture: it also reads every other ECU that answers and writes what the
// car answered to the capture file as a simulator profile. A file that cannot be created is
// refused (2) before connecting; otherwise the exit status is the report's, or 1 when nothing
// could be written.
int runCapture(MainWindow& window, Session& session, const Options& options,
               ReportPrompter& prompter);

// Logging without a window: connects as the report does, then logs the chosen items into the
// log file (the logger's own code and format) until the sample count, the cap, Ctrl+C or
// SIGTERM. Never touches Settings.dat.
int runLog(MainWindow& window, Session& session, const Options& options, ReportPrompter& prompter);

// The wide-range O2 sensor log without a window: connects as the report does, then logs PID $34
// into the file exactly as the window's run does, until the sample count, the cap, Ctrl+C or
// SIGTERM. A vehicle without the sensor is an error.
int runWbo2Log(MainWindow& window, Session& session, const Options& options);

// Draws the data log of --plot into the picture of --png: 0, or 1 with the line that says what
// is wrong (a file that is not a data log names its wrong record).
int runPlot(const Options& options);

// Writes text by its length: a NUL from a definitions file must not cut it short.
void print(std::FILE* stream, const QString& text);

} // namespace app
