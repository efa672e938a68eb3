// SPDX-License-Identifier: GPL-3.0-or-later
#include "trigger_entry.h"

#include "core/number_text.h"
#include "link/event_pump.h"
#include "link/wait.h"
#include "ui/widgets.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace monitor {

using ui::named;

namespace {

const QStringList kTriggerChoices = {QStringLiteral("None"), QStringLiteral("System Time"),
                                     QStringLiteral("Speed"), QStringLiteral("RPM")};

void paintChoice(QComboBox* combo, const QColor& colour) {
    ui::paint(combo, {{QPalette::Button, colour}, {QPalette::Base, colour}});
}

} // namespace

TriggerEntry::TriggerEntry(LogState& state, core::Prompter& prompter, QWidget* parent)
    : QGroupBox(QStringLiteral("LOG TRIGGERS ------- Starts LOG when Trigger condition is true"),
                parent),
      state_(state), prompter_(prompter) {
    auto* grid = new QGridLayout(this);
    firstTrigger = named(new QComboBox, "Combo1");
    secondTrigger = named(new QComboBox, "Combo2");
    combination = named(new QComboBox, "Combo3");
    firstTrigger->addItems(kTriggerChoices);
    secondTrigger->addItems(kTriggerChoices);
    combination->addItems({QStringLiteral("AND"), QStringLiteral("OR")});
    for (QComboBox* combo : {firstTrigger, secondTrigger, combination})
        combo->setCurrentIndex(-1);
    firstThreshold = named(new QLineEdit, "txtTRIG1");
    secondThreshold = named(new QLineEdit, "txtTRIG2");
    thresholdPrompt = named(new QLabel, "lblTRIG");
    thresholdEntry = named(new QLineEdit, "txtTRIG");
    enterButton = named(new QPushButton(QStringLiteral("ENTER")), "cmdTRIG");
    grid->addWidget(firstTrigger, 0, 0);
    grid->addWidget(firstThreshold, 0, 1);
    grid->addWidget(combination, 0, 2);
    grid->addWidget(secondTrigger, 0, 3);
    grid->addWidget(secondThreshold, 0, 4);
    grid->addWidget(thresholdPrompt, 1, 0, 1, 2);
    grid->addWidget(thresholdEntry, 1, 2, 1, 2);
    grid->addWidget(enterButton, 1, 4);
    for (QWidget* w : std::initializer_list<QWidget*>{thresholdPrompt, thresholdEntry, enterButton})
        w->hide();
    connect(firstTrigger, &QComboBox::activated, this,
            [this] { enterTrigger(firstTrigger, firstThreshold, state_.Trigger1Value); });
    connect(secondTrigger, &QComboBox::activated, this,
            [this] { enterTrigger(secondTrigger, secondThreshold, state_.Trigger2Value); });
    connect(combination, &QComboBox::activated, this,
            [this] { paintChoice(combination, QColor(0, 255, 0)); });
    connect(enterButton, &QPushButton::clicked, this, [this] { state_.TriggerEntered = true; });
    connect(thresholdEntry, &QLineEdit::returnPressed, enterButton, &QPushButton::click);
}

void TriggerEntry::restoreThresholds() {
    state_.Trigger1Value = int(core::leadingNumber(firstThreshold->text()));
    state_.Trigger2Value = int(core::leadingNumber(secondThreshold->text()));
    state_.TriggerEntered = false;
}

void TriggerEntry::clear() {
    stopPrompt();
    paintChoices(Qt::white);
    for (QComboBox* combo : {firstTrigger, secondTrigger, combination})
        combo->setCurrentIndex(-1);
    firstThreshold->clear();
    secondThreshold->clear();
}

void TriggerEntry::paintChoices(const QColor& colour) {
    for (QComboBox* combo : {firstTrigger, secondTrigger, combination})
        paintChoice(combo, colour);
}

std::optional<int> TriggerEntry::askThreshold(Trigger::Kind kind) {
    const ThresholdRange range = thresholdRange(kind);
    thresholdPrompt->setText(QLatin1String(range.prompt));
    thresholdEntry->clear();
    prompt_ = std::stop_source();
    scan::EventPump pump;
    for (;;) {
        thresholdEntry->setFocus();
        state_.TriggerEntered = false;
        if (scan::waitUntil([this] { return state_.TriggerEntered; }, scan::Deadline::never(),
                            prompt_.get_token(), [&pump] { pump.pump(); }) != scan::WaitEnd::Met)
            return std::nullopt;
        if (const std::optional<int> value = range.accept(thresholdEntry->text()))
            return value;
        prompter_.message({QLatin1String(range.outOfRange)});
        thresholdEntry->setText(QStringLiteral("00"));
    }
}

void TriggerEntry::enterTrigger(QComboBox* combo, QLineEdit* shown, int& value) {
    const std::initializer_list<QWidget*> prompt{thresholdPrompt, thresholdEntry, enterButton};
    for (QWidget* w : prompt)
        w->show();
    for (QComboBox* choice : {firstTrigger, secondTrigger, combination})
        choice->setEnabled(false);
    emit asking(true);
    shown->setReadOnly(false);
    const auto kind = Trigger::Kind(std::max(combo->currentIndex(), 0));
    if (kind != Trigger::Kind::None) {
        if (const std::optional<int> entered = askThreshold(kind))
            value = *entered;
    }
    paintChoice(combo, QColor(0, 255, 0));
    shown->setText(QString::number(value));
    shown->setReadOnly(true);
    for (QComboBox* choice : {firstTrigger, secondTrigger, combination})
        choice->setEnabled(true);
    emit asking(false);
    for (QWidget* w : prompt)
        w->hide();
}

StartCondition TriggerEntry::startCondition() const {
    StartCondition condition;
    condition.first = {Trigger::Kind(std::max(firstTrigger->currentIndex(), 0)),
                       state_.Trigger1Value};
    condition.second = {Trigger::Kind(std::max(secondTrigger->currentIndex(), 0)),
                        state_.Trigger2Value};
    condition.combination = combination->currentIndex() < 0    ? StartCondition::Combination::None
                            : combination->currentIndex() == 0 ? StartCondition::Combination::And
                                                               : StartCondition::Combination::Or;
    return condition;
}

} // namespace monitor
