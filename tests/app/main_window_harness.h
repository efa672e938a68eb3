#pragma once

#include "app/main_window.h"
#include "diag/trouble_code_definitions.h"
#include "support/scripted_prompter.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// Keeps what printing would have put on paper.
struct CapturingPrintSink : app::PrintSink {
    bool print(const QStringList& lines, QString& whyNot) override {
        if (!available) {
            whyNot = QStringLiteral("No printer is set up on this computer.");
            return false;
        }
        printed << lines;
        return true;
    }
    bool available = true;
    QStringList printed;
};

// A real main window, offscreen, with scripted dialogs, a captured printer and its own
// definitions file.
struct MainWindowHarness {
    explicit MainWindowHarness(
        const QByteArray& definitions = "P0301 Cylinder 1 Misfire Detected\r\n") {
        const QString file = dir.filePath("troublecode.tcf");
        QFile out(file);
        if (out.open(QIODevice::WriteOnly))
            out.write(definitions);
        window = std::make_unique<app::MainWindow>(
            state,
            app::MainWindow::Services{prompter, printer, tcf, {file, dir.filePath("missing.tcf")}});
    }

    QTemporaryDir dir;
    app::AppState state;
    ScriptedPrompter prompter;
    CapturingPrintSink printer;
    diag::TroubleCodeDefinitions tcf;
    std::unique_ptr<app::MainWindow> window;
};
