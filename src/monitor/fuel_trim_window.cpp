// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuel_trim_window.h"

#include "ui/widgets.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace monitor {

using ui::named;

FuelTrimWindow::FuelTrimWindow(FuelTrimMonitor& monitor, core::Prompter& prompter,
                               scan::OperationRunner& operations, QWidget* parent)
    : QWidget(parent, Qt::Window), monitor_(monitor), prompter_(prompter), operations_(operations) {
    setObjectName(QStringLiteral("frmFuel_Trim"));
    setWindowTitle(QStringLiteral("Fuel Trim Monitor"));
    Label5 = named(new QLabel(QStringLiteral("Fuel Trim Monitor Window")), "Label5");
    QFont heading = Label5->font();
    heading.setPointSize(16);
    heading.setBold(true);
    Label5->setFont(heading);
    Label5->setAlignment(Qt::AlignCenter);
    // Fixed pitch, so that the dashes line the values up; light on dark, as an instrument.
    QFont digits(QStringLiteral("Courier New"), 18, QFont::Bold);
    digits.setStyleHint(QFont::TypeWriter);
    auto* panel = new QFrame;
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setAutoFillBackground(true);
    ui::paint(panel, {{QPalette::Window, QColor(16, 16, 16)},
                      {QPalette::WindowText, QColor(80, 255, 80)}});
    auto* rows = new QVBoxLayout(panel);
    for (int trim = 0; trim < kFuelTrimCount; ++trim) {
        Label[trim] = named(new QLabel(unsupportedFuelTrimText(trim)),
                            QStringLiteral("Label%1").arg(trim + 1));
        Label[trim]->setFont(digits);
        Label[trim]->setMinimumWidth(QFontMetrics(digits).horizontalAdvance(
            QStringLiteral("Long  Term Fuel Trim B2 ---- -100%  ")));
        rows->addWidget(Label[trim]);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label5);
    layout->addWidget(panel);
    Command1 = named(new QPushButton(QStringLiteral("EXIT")), "Command1");
    Option1 = named(new QRadioButton, "Option1");
    Option1->setAutoExclusive(false);
    Option1->hide();
    connect(Command1, &QPushButton::clicked, this, &FuelTrimWindow::Command1_Click);
    connect(Option1, &QRadioButton::clicked, this, [this] { FuelTrimStop = true; });
    ui::onEscape(this, [this] { operations_.stop(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Option1);
    layout->addLayout(buttons);
}

void FuelTrimWindow::monitorFuelTrims() {
    if (!monitor_.anySupported()) {
        // Nothing to ask for: the loop would only spin.
        prompter_.message({QStringLiteral("The ECU reports no fuel trims.")});
        return;
    }
    operations_.run(QStringLiteral("Monitoring the fuel trims"), [this] {
        // Another ECU's trims may have been shown before.
        for (int trim = 0; trim < kFuelTrimCount; ++trim)
            Label[trim]->setText(unsupportedFuelTrimText(trim));
        FuelTrimStop = false;
        Option1->setChecked(false);
        QWidget::show();
        raise();
        PollingRun(operations_.link()).run([this] {
            if (FuelTrimStop)
                return false;
            for (const FuelTrimLine& line : monitor_.pass())
                Label[line.trim]->setText(line.text);
            return true;
        });
        hide();
    });
}

void FuelTrimWindow::Command1_Click() {
    Option1->setChecked(true);
    FuelTrimStop = true;
}

void FuelTrimWindow::closeEvent(QCloseEvent* event) {
    // Closed by its title bar, the monitor stops rather than go on asking unseen.
    Command1_Click();
    event->accept();
}

} // namespace monitor
