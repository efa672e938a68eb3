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
    heading = ui::heading(QStringLiteral("Label5"), QStringLiteral("Fuel Trim Monitor Window"), 16);
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
        trimLabels[trim] = named(new QLabel(unsupportedFuelTrimText(trim)),
                                 QStringLiteral("Label%1").arg(trim + 1));
        trimLabels[trim]->setFont(digits);
        trimLabels[trim]->setMinimumWidth(QFontMetrics(digits).horizontalAdvance(
            QStringLiteral("Long  Term Fuel Trim B2 ---- -100%  ")));
        rows->addWidget(trimLabels[trim]);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(panel);
    exitButton = named(new QPushButton(QStringLiteral("EXIT")), "Command1");
    stopOption = named(new QRadioButton, "Option1");
    stopOption->setAutoExclusive(false);
    stopOption->hide();
    connect(exitButton, &QPushButton::clicked, this, &FuelTrimWindow::stop);
    connect(stopOption, &QRadioButton::clicked, this, [this] { stopRequested_ = true; });
    ui::onEscape(this, [this] { operations_.stop(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(exitButton);
    buttons->addWidget(stopOption);
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
            trimLabels[trim]->setText(unsupportedFuelTrimText(trim));
        stopRequested_ = false;
        stopOption->setChecked(false);
        QWidget::show();
        raise();
        PollingRun(operations_.link()).run([this] {
            if (stopRequested_)
                return false;
            for (const FuelTrimLine& line : monitor_.pass())
                trimLabels[line.trim]->setText(line.text);
            return true;
        });
        hide();
    });
}

void FuelTrimWindow::stop() {
    stopOption->setChecked(true);
    stopRequested_ = true;
}

void FuelTrimWindow::closeEvent(QCloseEvent* event) {
    // Closed by its title bar, the monitor stops rather than go on asking unseen.
    stop();
    event->accept();
}

} // namespace monitor
