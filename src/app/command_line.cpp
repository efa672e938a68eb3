#include "command_line.h"

#include <QCommandLineParser>

namespace app {

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Vamrick: OBD-II diagnostics for passenger cars through a Vamrick scan tool."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show these options and exit."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Run on the built-in simulated vehicle instead of a scan tool."));
    const QCommandLineOption report(
        QStringLiteral("report"),
        QStringLiteral("Show no window: print what the main window shows as text, then exit."));
    const QCommandLineOption tcf(QStringLiteral("tcf"),
                                 QStringLiteral("Read trouble code definitions from <file> first."),
                                 QStringLiteral("file"));
    parser.addOptions({help, version, demo, report, tcf});

    ParsedCommandLine result;
    if (!parser.parse(arguments)) {
        result.output = QStringLiteral("vamrick: ") + parser.errorText() +
                        QStringLiteral("\nTry 'vamrick --help' for the options.\n");
        result.exitCode = 2;
        return result;
    }
    if (parser.isSet(help)) {
        result.output =
            QStringLiteral("Usage: vamrick [options]") +
            parser.helpText().mid(parser.helpText().indexOf(QLatin1Char('\n'))) +
            QStringLiteral(
                "\nTrouble code definitions (troublecode.tcf) are read from the file given with\n"
                "--tcf, else from beside the executable, else from the shared data folder\n"
                "(" VAMRICK_DATA_DIR ").\n");
        return result;
    }
    if (parser.isSet(version)) {
        result.output = QStringLiteral("Vamrick 3.40\n");
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.output =
            QStringLiteral(
                "vamrick: unexpected argument '%1'\nTry 'vamrick --help' for the options.\n")
                .arg(parser.positionalArguments().first());
        result.exitCode = 2;
        return result;
    }
    result.options = Options{parser.isSet(demo), parser.isSet(report), parser.value(tcf)};
    return result;
}

} // namespace app
