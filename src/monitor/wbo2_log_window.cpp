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
    auto* heading =
        named(new QLabel(QStringLiteral("Lambda / Tachometer with Data Log")), "lblHeading");
    QFont headingFont = heading->font();
    headingFont.setPointSize(15);
    headingFont.setBold(true);
    heading->setFont(headingFont);
    heading->setAlignment(Qt::AlignCenter);

    Display1_name = captionBox("Display1_name", QStringLiteral("Lambda"));
    Display1_value = digits("Display1_value", QStringLiteral("0.0000"));
    Display2_name = captionBox("Display2_name", QStringLiteral("A/F Ratio"));
    Display2_value = digits("Display2_value", QStringLiteral("14.710"));
    Text1 = captionBox("Text1", QStringLiteral("RPM"));
    Text2 = digits("Text2", QStringLiteral("0000"));
    auto* meters = new QGridLayout;
    meters->setHorizontalSpacing(16);
    const std::pair<QLineEdit*, QLineEdit*> columns[] = {
        {Display1_name, Display1_value}, {Display2_name, Display2_value}, {Text1, Text2}};
    for (int c = 0; c < 3; ++c) {
        meters->addWidget(columns[c].first, 0, c);
        meters->addWidget(columns[c].second, 1, c);
    }

    Label2 = named(new QLabel(QStringLiteral("Press Start To RUN")), "Label2");
    Label2->setAlignment(Qt::AlignCenter);
    QFont statusFont = Label2->font();
    statusFont.setPointSize(11);
    Label2->setFont(statusFont);
    Command1 = named(new QPushButton(QStringLiteral("Start")), "Command1");
    Command2 = named(new QPushButton(QStringLiteral("Stop")), "Command2");
    Cancel = named(new QPushButton(QStringLiteral("EXIT")), "Cancel");
    connect(Command1, &QPushButton::clicked, this, &Wbo2LogWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Wbo2LogWindow::Command2_Click);
    connect(Cancel, &QPushButton::clicked, this, &Wbo2LogWindow::Cancel_Click);
    // Escape stops at once, in the middle of a pass, and stays in the window as Stop does.
    ui::onEscape(this, [this] {
        Command2_Click();
        operations_.stop();
    });
    Command2->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {Command1, Command2, Cancel}) {
        b->setMinimumSize(110, 34);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(12);
    layout->addWidget(heading);
    layout->addLayout(meters);
    layout->addWidget(Label2);
    layout->addLayout(buttons);
}

void Wbo2LogWindow::Form_Load() {
    state_.TriggerEntered = false;
}

void Wbo2LogWindow::display(const Wbo2Shown& shown) {
    Display1_value->setText(shown.lambda);
    Display2_value->setText(shown.airFuel);
    Text2->setText(shown.rpm);
    Label2->setText(shown.lambda.isEmpty()
                        ? QStringLiteral("RUNNING - no answer from the wide-range O2 sensor")
                        : QStringLiteral("RUNNING"));
}

void Wbo2LogWindow::Command1_Click() {
    std::vector<Wbo2Sample> samples;
    const bool ran = operations_.run(QStringLiteral("Logging the wide-range O2 sensor"), [&] {
        Command1->setEnabled(false);
        state_.LogSavedFlag = false;
        Label2->setText(QStringLiteral("RUNNING"));
        Command2->setEnabled(true);
        PollingRun run(operations_.link());
        run_ = &run;
        logger_.log(
            run, samples, [this](const Wbo2Shown& shown) { display(shown); }, limit_);
        run_ = nullptr;
        Command2->setEnabled(false);
        Command1->setEnabled(true);
    });
    if (!ran)
        return;
    if (state_.LogSavedFlag)
        Label2->setText(QStringLiteral("Press Start To Run"));
    if (!samples.empty())
        saveAskingAgain(prompter_, wbo2LogText(samples), int(samples.size()));
    if (!state_.LogSavedFlag)
        leave();
}

void Wbo2LogWindow::Command2_Click() {
    state_.LogSavedFlag = true;
    Label2->setText(QStringLiteral("Press Start To Run"));
    if (run_)
        run_->stop();
}

void Wbo2LogWindow::Cancel_Click() {
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
    Cancel_Click();
    event->accept();
}

} // namespace monitor
