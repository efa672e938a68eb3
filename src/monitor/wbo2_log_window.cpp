// SPDX-License-Identifier: GPL-3.0-or-later
#include "wbo2_log_window.h"

#include "ui/widgets.h"

#include "log_file.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace monitor {

using ui::named;

namespace {

// A caption box over its instrument.
QLineEdit* captionBox(const char* name, const QString& text) {
    auto* box = ui::displayBox(QString::fromLatin1(name), text);
    box->setFrame(false);
    QFont font = box->font();
    font.setPointSize(12);
    font.setBold(true);
    box->setFont(font);
    return box;
}

// The digits of an instrument: large, dark on light, readable across the workshop.
QLineEdit* digits(const char* name, const QString& text) {
    auto* box = ui::displayBox(QString::fromLatin1(name), text);
    QFont font(QStringLiteral("DejaVu Sans Mono"), 34, QFont::Bold);
    font.setStyleHint(QFont::TypeWriter);
    box->setFont(font);
    box->setMinimumWidth(QFontMetrics(font).horizontalAdvance(QStringLiteral("000000")) + 24);
    box->setStyleSheet(QStringLiteral("QLineEdit { background: #10201a; color: #7dffb0; "
                                      "border: 2px solid #3a4a44; border-radius: 6px; }"));
    return box;
}

} // namespace

Wbo2LogWindow::Wbo2LogWindow(Wbo2Log& logger, LogState& state, core::Prompter& prompter,
                             scan::OperationRunner& operations, QWidget* parent)
    : QWidget(parent, Qt::Window), logger_(logger), state_(state), prompter_(prompter),
      operations_(operations) {
    setObjectName(QStringLiteral("WRO2_Sensor_Log"));
    setWindowTitle(QStringLiteral("Wide Band O2 Sensor Lambda Meter"));
    buildControls();
}

void Wbo2LogWindow::buildControls() {
    auto* heading = ui::heading(QStringLiteral("lblHeading"),
                                QStringLiteral("Lambda / Tachometer with Data Log"), 15);

    lambdaCaption = captionBox("Display1_name", QStringLiteral("Lambda"));
    lambdaBox = digits("Display1_value", QStringLiteral("0.0000"));
    airFuelCaption = captionBox("Display2_name", QStringLiteral("A/F Ratio"));
    airFuelBox = digits("Display2_value", QStringLiteral("14.710"));
    rpmCaption = captionBox("Text1", QStringLiteral("RPM"));
    rpmBox = digits("Text2", QStringLiteral("0000"));
    auto* meters = new QGridLayout;
    meters->setHorizontalSpacing(16);
    const std::pair<QLineEdit*, QLineEdit*> columns[] = {
        {lambdaCaption, lambdaBox}, {airFuelCaption, airFuelBox}, {rpmCaption, rpmBox}};
    for (int c = 0; c < 3; ++c) {
        meters->addWidget(columns[c].first, 0, c);
        meters->addWidget(columns[c].second, 1, c);
    }

    runState = named(new QLabel(QStringLiteral("Press Start To RUN")), "Label2");
    runState->setAlignment(Qt::AlignCenter);
    QFont statusFont = runState->font();
    statusFont.setPointSize(11);
    runState->setFont(statusFont);
    startButton = named(new QPushButton(QStringLiteral("Start")), "Command1");
    stopButton = named(new QPushButton(QStringLiteral("Stop")), "Command2");
    exitButton = named(new QPushButton(QStringLiteral("EXIT")), "Cancel");
    connect(startButton, &QPushButton::clicked, this, &Wbo2LogWindow::start);
    connect(stopButton, &QPushButton::clicked, this, &Wbo2LogWindow::stop);
    connect(exitButton, &QPushButton::clicked, this, &Wbo2LogWindow::quit);
    // Escape stops at once, in the middle of a pass, and stays in the window as Stop does.
    ui::onEscape(this, [this] {
        stop();
        operations_.stop();
    });
    stopButton->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {startButton, stopButton, exitButton}) {
        b->setMinimumSize(110, 34);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(12);
    layout->addWidget(heading);
    layout->addLayout(meters);
    layout->addWidget(runState);
    layout->addLayout(buttons);
}

void Wbo2LogWindow::load() {
    state_.TriggerEntered = false;
}

void Wbo2LogWindow::display(const Wbo2Shown& shown) {
    lambdaBox->setText(shown.lambda);
    airFuelBox->setText(shown.airFuel);
    rpmBox->setText(shown.rpm);
    runState->setText(shown.lambda.isEmpty()
                          ? QStringLiteral("RUNNING - no answer from the wide-range O2 sensor")
                          : QStringLiteral("RUNNING"));
}

void Wbo2LogWindow::start() {
    std::vector<Wbo2Sample> samples;
    const bool ran = operations_.run(QStringLiteral("Logging the wide-range O2 sensor"), [&] {
        startButton->setEnabled(false);
        state_.LogSavedFlag = false;
        runState->setText(QStringLiteral("RUNNING"));
        stopButton->setEnabled(true);
        PollingRun run(operations_.link());
        run_ = &run;
        logger_.log(
            run, samples, [this](const Wbo2Shown& shown) { display(shown); }, limit_);
        run_ = nullptr;
        stopButton->setEnabled(false);
        startButton->setEnabled(true);
    });
    if (!ran)
        return;
    if (state_.LogSavedFlag)
        runState->setText(QStringLiteral("Press Start To Run"));
    if (!samples.empty())
        saveAskingAgain(prompter_, wbo2LogText(samples), int(samples.size()));
    if (!state_.LogSavedFlag)
        leave();
}

void Wbo2LogWindow::stop() {
    state_.LogSavedFlag = true;
    runState->setText(QStringLiteral("Press Start To Run"));
    if (run_)
        run_->stop();
}

void Wbo2LogWindow::quit() {
    // A run under way ends after its pass and still offers its samples for saving.
    state_.LogSavedFlag = false;
    if (run_)
        run_->stop();
    leave();
}

void Wbo2LogWindow::leave() {
    if (isHidden())
        return;
    hide();
    emit closed();
}

void Wbo2LogWindow::closeEvent(QCloseEvent* event) {
    // The title bar's close is EXIT: a hidden meter must not go on polling unseen.
    quit();
    event->accept();
}

} // namespace monitor
