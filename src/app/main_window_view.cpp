// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window.h"

#include "keyword_colouring.h"
#include "ui/widgets.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTextEdit>

// What the link, the connection and the survey show on the main window.

namespace app {

namespace {

QString withNewlines(const QString& text) {
    return QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

void MainWindow::setStatusBox(const QColor& colour, const QString& text) {
    ui::paint(statusBox, {{QPalette::Base, colour}, {QPalette::Text, Qt::black}});
    statusBox->setText(text);
}

QColor MainWindow::statusColour() const {
    return statusBox->palette().color(QPalette::Base);
}

QString MainWindow::linkText() const {
    return statusBox->text();
}

void MainWindow::setLinkColour(scan::LinkColour colour) {
    setStatusBox(scan::toColor(colour), statusBox->text());
}

void MainWindow::setLinkText(const QString& text) {
    statusBox->setText(text);
}

void MainWindow::showOutOfReach(const QString& text) {
    statusBox->setText(text);
    markValuesFromLostLink(true);
}

void MainWindow::setStatusText(const QString& text) {
    statusWindow->setCurrentCharFormat(QTextCharFormat()); // new text starts plain
    statusWindow->setPlainText(withNewlines(text));
}

QString MainWindow::statusText() const {
    return statusWindow->toPlainText();
}

void MainWindow::appendStatusText(const QString& text) {
    QTextCursor end(statusWindow->document());
    end.movePosition(QTextCursor::End);
    end.insertText(withNewlines(text));
}

void MainWindow::colourStatusText() {
    colourKeywords(*statusWindow);
}

void MainWindow::setServiceButtonsEnabled(bool enabled) {
    for (QPushButton* b : {currentDataButton, freezeFrameButton, troubleCodesButton,
                           clearCodesButton, changeEcuButton})
        b->setEnabled(enabled);
}

void MainWindow::showMode5() {
    o2TestButton->show();
}

void MainWindow::setEntryEnabled(scan::Entry entry, bool enabled) {
    QAction* const entries[] = {usbAction,  com1Action, com2Action,
                                com3Action, com4Action, com5to9Action};
    entries[int(entry)]->setEnabled(enabled);
}

void MainWindow::setConnectionMenuEnabled(bool enabled) {
    connectionMenu->menuAction()->setEnabled(enabled);
}

void MainWindow::setMode6Enabled(bool enabled) {
    onBoardTestsAction->setEnabled(enabled);
}

void MainWindow::setFirmwareCaption(const QString& caption) {
    firmwareCaption->setText(caption);
}

void MainWindow::toggleChangeEcu() {
    changeEcuButton->setText(QStringLiteral("Toggle ECU"));
    changeEcuButton->setChecked(!changeEcuButton->isChecked());
}

void MainWindow::showPortChooser() {
    if (!portChooser_)
        portChooser_ = new ui::PortChooser(state_.link, this);
    portChooser_->load();
    portChooser_->show();
    portChooser_->raise();
}

bool MainWindow::portChooserVisible() const {
    return portChooser_ && portChooser_->isVisible();
}

void MainWindow::clearDataList() {
    dataList->clear();
    markValuesFromLostLink(false);
}

void MainWindow::addDataLine(const QString& line) {
    dataList->addItem(line);
}

void MainWindow::setDataListColour(const QColor& colour) {
    dataListColour_ = colour;
    ui::paint(dataList, {{QPalette::Text, colour}});
}

void MainWindow::setEcuAddressCaption(const QString& caption) {
    ecuAddressCaption->setText(withNewlines(caption));
}

void MainWindow::showVin(const QString& vin) {
    if (notes->text().isEmpty() || notes->text() == vinShown_) {
        notes->setText(vin);
        vinShown_ = vin;
    }
}

void MainWindow::setDataLogMenuEnabled(bool enabled) {
    dataLoggerAction->setEnabled(enabled);
}

void MainWindow::setAirFuelMenuEnabled(bool enabled) {
    airFuelAction->setEnabled(enabled);
}

void MainWindow::setFuelTrimMenuEnabled(bool enabled) {
    fuelTrimAction->setEnabled(enabled);
}

void MainWindow::setWideRangeLogMenuEnabled(bool enabled) {
    wbo2LogAction->setEnabled(enabled);
}

} // namespace app
