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
    Label1 = named(new QLabel(QStringLiteral("AIR/FUEL RATIO")), "Label1");
    QFont heading = Label1->font();
    heading.setPointSize(16);
    heading.setBold(true);
    Label1->setFont(heading);
    Label1->setAlignment(Qt::AlignCenter);
    Text1 = meterBox("Text1");
    Text2 = meterBox("Text2");
    digits_ = QFont(QStringLiteral("Courier New"), 30, QFont::Bold);
    digits_.setStyleHint(QFont::TypeWriter);
    words_ = Text1->font();
    // The boxes are sized for the digits, whatever they show.
    const int height = QFontMetrics(digits_).height() + 16;
    Text1->setMinimumHeight(height);
    Text2->setMinimumHeight(height);
    Command1 = named(new QPushButton(QStringLiteral("START")), "Command1");
    Command2 = named(new QPushButton(QStringLiteral("EXIT")), "Command2");
    connect(Command1, &QPushButton::clicked, this, &AirFuelWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &AirFuelWindow::Command2_Click);
    ui::onEscape(this, [this] { operations_.stop(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Text1);
    layout->addWidget(Text2);
    layout->addLayout(buttons);
}

void AirFuelWindow::Form_Load() {
    if (!meter_.hasSensor())
        showIn(Text1, {AirFuelMeter::noSensorText()});
}

void AirFuelWindow::Command1_Click() {
    if (running_)
        return;
    if (!meter_.hasSensor()) {
        // "0" names no sensor: a request for it would be malformed, so none is sent.
        showIn(Text1, {AirFuelMeter::noSensorText()});
        return;
    }
    running_ = true;
    stopRequest_ = false;
    Command1->setEnabled(false);
    const bool ran = operations_.run(QStringLiteral("Showing the air/fuel ratio"), [this] {
        meter_.begin();
        PollingRun(operations_.link()).run([this] {
            if (stopRequest_)
                return false;
            const AirFuelFrame frame = meter_.pass();
            showIn(Text1, frame.ratio);
            showIn(Text2, frame.engineSpeed);
            return true;
        });
    });
    running_ = false;
    Command1->setEnabled(true);
    if (ran)
        unload();
}

void AirFuelWindow::Command2_Click() {
    if (running_) {
        stopRequest_ = true; // the run unloads the window after the pass under way
        return;
    }
    unload();
}

void AirFuelWindow::closeEvent(QCloseEvent* event) {
    // Closed by its title bar, the meter stops rather than go on asking unseen.
    Command2_Click();
    event->accept();
}

void AirFuelWindow::showIn(QLineEdit* box, const MeterText& text) {
    box->setFont(text.reading ? digits_ : words_);
    box->setText(text.text);
    box->setCursorPosition(0);
}

void AirFuelWindow::unload() {
    Text1->clear();
    Text2->clear();
    hide();
}

} // namespace monitor
