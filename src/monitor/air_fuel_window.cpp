// SPDX-License-Identifier: GPL-3.0-or-later
#include "air_fuel_window.h"

#include "ui/widgets.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace monitor {

using ui::named;

namespace {

// A read-only box styled as an instrument's display.
QLineEdit* meterBox(const char* name) {
    auto* box = ui::displayBox(QString::fromLatin1(name));
    ui::paint(box, {{QPalette::Base, QColor(16, 16, 16)}, {QPalette::Text, QColor(80, 255, 80)}});
    box->setMinimumWidth(380);
    return box;
}

} // namespace

AirFuelWindow::AirFuelWindow(AirFuelMeter& meter, scan::OperationRunner& operations,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), meter_(meter), operations_(operations) {
    setObjectName(QStringLiteral("Air_Fuel_Ratio"));
    setWindowTitle(QString(50, QLatin1Char(' ')) + QStringLiteral("Air/Fuel Ratio"));
    heading = ui::heading(QStringLiteral("Label1"), QStringLiteral("AIR/FUEL RATIO"), 16);
    ratioBox = meterBox("Text1");
    engineSpeedBox = meterBox("Text2");
    digits_ = QFont(QStringLiteral("Courier New"), 30, QFont::Bold);
    digits_.setStyleHint(QFont::TypeWriter);
    words_ = ratioBox->font();
    // The boxes are sized for the digits, whatever they show.
    const int height = QFontMetrics(digits_).height() + 16;
    ratioBox->setMinimumHeight(height);
    engineSpeedBox->setMinimumHeight(height);
    startButton = named(new QPushButton(QStringLiteral("START")), "Command1");
    exitButton = named(new QPushButton(QStringLiteral("EXIT")), "Command2");
    connect(startButton, &QPushButton::clicked, this, &AirFuelWindow::start);
    connect(exitButton, &QPushButton::clicked, this, &AirFuelWindow::quit);
    ui::onEscape(this, [this] { operations_.stop(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(startButton);
    buttons->addWidget(exitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(ratioBox);
    layout->addWidget(engineSpeedBox);
    layout->addLayout(buttons);
}

void AirFuelWindow::load() {
    if (!meter_.hasSensor())
        showIn(ratioBox, {AirFuelMeter::noSensorText()});
}

void AirFuelWindow::start() {
    if (running_)
        return;
    if (!meter_.hasSensor()) {
        // "0" names no sensor: a request for it would be malformed, so none is sent.
        showIn(ratioBox, {AirFuelMeter::noSensorText()});
        return;
    }
    running_ = true;
    stopRequest_ = false;
    startButton->setEnabled(false);
    const bool ran = operations_.run(QStringLiteral("Showing the air/fuel ratio"), [this] {
        meter_.begin();
        PollingRun(operations_.link()).run([this] {
            if (stopRequest_)
                return false;
            const AirFuelFrame frame = meter_.pass();
            showIn(ratioBox, frame.ratio);
            showIn(engineSpeedBox, frame.engineSpeed);
            return true;
        });
    });
    running_ = false;
    startButton->setEnabled(true);
    if (ran)
        unload();
}

void AirFuelWindow::quit() {
    if (running_) {
        stopRequest_ = true; // the run unloads the window after the pass under way
        return;
    }
    unload();
}

void AirFuelWindow::closeEvent(QCloseEvent* event) {
    // Closed by its title bar, the meter stops rather than go on asking unseen.
    quit();
    event->accept();
}

void AirFuelWindow::showIn(QLineEdit* box, const MeterText& text) {
    box->setFont(text.reading ? digits_ : words_);
    box->setText(text.text);
    box->setCursorPosition(0);
}

void AirFuelWindow::unload() {
    ratioBox->clear();
    engineSpeedBox->clear();
    hide();
}

} // namespace monitor
