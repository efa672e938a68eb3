#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace app {

struct Options {
    bool demo = false;   // the simulated vehicle stands in for the scan tool
    bool report = false; // print the window's contents as text instead of showing it
    QString definitionsFile;
};

// The outcome of reading the command line: options to run with, or text to print and an exit code.
struct ParsedCommandLine {
    std::optional<Options> options;
    QString output;
    int exitCode = 0;
};

ParsedCommandLine parseCommandLine(const QStringList& arguments);

} // namespace app
