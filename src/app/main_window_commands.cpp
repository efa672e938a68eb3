// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window.h"

#include "user_choices.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

// The main window's commands: each starts an operation of the session or opens a tool window.

namespace app {

void MainWindow::runService(QPushButton* button, bool (Session::*operation)()) {
    // Pressed while the operation runs, an ordinary button otherwise.
    button->setCheckable(true);
    button->setChecked(true);
    (session_->*operation)();
    button->setChecked(false);
    button->setCheckable(false);
}

void MainWindow::readCurrentData() {
    runService(currentDataButton, &Session::survey);
}

void MainWindow::readFreezeFrame() {
    runService(freezeFrameButton, &Session::readFreezeFrame);
}

void MainWindow::readTroubleCodes() {
    runService(troubleCodesButton, &Session::readCodes);
}

void MainWindow::clearTroubleCodes() {
    runService(clearCodesButton, &Session::clearCodes);
}

void MainWindow::changeEcu() {
    if (!session_->changeEcu())
        changeEcuButton->setChecked(
            !changeEcuButton->isChecked()); // the refused click changes nothing
}

void MainWindow::connectUsb() {
    session_->connectScanTool(scan::Entry::USB);
}

void MainWindow::openO2Tests() {
    tools_->openO2Tests();
    o2TestButton->setChecked(false);
}

void MainWindow::chartSelectedLine() {
    const int line = dataList->currentRow();
    if (line < 0 || line >= state_.survey.PIDCount)
        return;
    const std::optional<monitor::DisplayItem> item =
        monitor::displayItem(state_.survey.LinePID[line]);
    if (!item) {
        services_.prompter.message({QStringLiteral("No Data Selected")});
        return;
    }
    tools_->chart(state_.survey.LinePID[line], *item,
                  dataList->item(line)->text().section(QLatin1Char('-'), 0, 0).trimmed());
    show();
}

void MainWindow::openDataLogger() {
    tools_->openDataLogger();
}

void MainWindow::openOnBoardTests() {
    tools_->openOnBoardTests();
}

void MainWindow::openAirFuelMeter() {
    tools_->openAirFuelMeter();
}

void MainWindow::monitorFuelTrims() {
    tools_->monitorFuelTrims();
}

void MainWindow::openLogViewer() {
    tools_->openLogViewer();
}

void MainWindow::openWbo2Log() {
    tools_->openWbo2Log();
}

void MainWindow::print() {
    QStringList lines{notes->text(), statusText()};
    for (int i = 0; i < dataList->count(); ++i)
        lines << dataList->item(i)->text();
    QString pdf;
    if (!services_.printer.hasPrinter()) {
        if (!services_.prompter.ask({QStringLiteral("No printer is set up on this computer. Save "
                                                    "the page as a PDF file instead?"),
                                     QStringLiteral("Print")}))
            return;
        pdf = services_.prompter.fileName(
            {QStringLiteral("Save as PDF"), QStringLiteral("PDF documents (*.pdf)")});
        if (pdf.isEmpty())
            return;
    }
    QString whyNot;
    if (!services_.printer.print(lines, pdf, whyNot))
        services_.prompter.message({QStringLiteral("Nothing was printed: ") + whyNot});
}

void MainWindow::explainStatusColours() {
    services_.prompter.message(
        {QStringLiteral("Red=No coommunication with scan tool,\n"
                        "Yellow=Communication with scan tool, not with vehicle\n"
                        "Green=Communication with vehicle"),
         QStringLiteral("Vamrick V3.40"), core::Prompter::Icon::Information});
}

void MainWindow::explainVin() {
    services_.prompter.message(
        {QStringLiteral("VIN will be shown here if available and Scan F/W is 4.00 "
                        "or higher, user entry is also allowed"),
         QStringLiteral("Vamrick 3.40"), core::Prompter::Icon::Information});
}

void MainWindow::showAbout() {
    services_.prompter.message(
        {QStringLiteral("Vamrick 3.40 - OBD-II diagnostics for passenger cars\n\n"
                        "Built with Qt %1, running on Qt %2.\n\n"
                        "Licence: GNU General Public License, version 3 or (at your option) any "
                        "later version (GPL-3.0-or-later). There is no warranty.")
             .arg(QStringLiteral(QT_VERSION_STR), QString::fromLatin1(qVersion())),
         QStringLiteral("About Vamrick"), core::Prompter::Icon::Information});
}

void MainWindow::chooseEnglishUnits() {
    useUnits(false);
    saveMetricUnits(false);
}

void MainWindow::chooseMetricUnits() {
    useUnits(true);
    saveMetricUnits(true);
}

void MainWindow::useUnits(bool metric) {
    state_.decoder.MetricUnits = metric;
    (metric ? metricUnitsAction : englishUnitsAction)->setChecked(true);
}

void MainWindow::toggleDebugMode() {
    state_.link.DebugMode = !state_.link.DebugMode;
    debugModeAction->setChecked(state_.link.DebugMode);
    services_.prompter.message({state_.link.DebugMode
                                    ? QStringLiteral("Debug Mode is turned ON")
                                    : QStringLiteral("Debug Mode is turned OFF")});
}

} // namespace app
