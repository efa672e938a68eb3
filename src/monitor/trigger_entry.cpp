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
    Combo1 = named(new QComboBox, "Combo1");
    Combo2 = named(new QComboBox, "Combo2");
    Combo3 = named(new QComboBox, "Combo3");
    Combo1->addItems(kTriggerChoices);
    Combo2->addItems(kTriggerChoices);
    Combo3->addItems({QStringLiteral("AND"), QStringLiteral("OR")});
    for (QComboBox* combo : {Combo1, Combo2, Combo3})
        combo->setCurrentIndex(-1);
    txtTRIG1 = named(new QLineEdit, "txtTRIG1");
    txtTRIG2 = named(new QLineEdit, "txtTRIG2");
    lblTRIG = named(new QLabel, "lblTRIG");
    txtTRIG = named(new QLineEdit, "txtTRIG");
    cmdTRIG = named(new QPushButton(QStringLiteral("ENTER")), "cmdTRIG");
    grid->addWidget(Combo1, 0, 0);
    grid->addWidget(txtTRIG1, 0, 1);
    grid->addWidget(Combo3, 0, 2);
    grid->addWidget(Combo2, 0, 3);
    grid->addWidget(txtTRIG2, 0, 4);
    grid->addWidget(lblTRIG, 1, 0, 1, 2);
    grid->addWidget(txtTRIG, 1, 2, 1, 2);
    grid->addWidget(cmdTRIG, 1, 4);
    for (QWidget* w : std::initializer_list<QWidget*>{lblTRIG, txtTRIG, cmdTRIG})
        w->hide();
    connect(Combo1, &QComboBox::activated, this,
            [this] { enterTrigger(Combo1, txtTRIG1, state_.Trigger1Value); });
    connect(Combo2, &QComboBox::activated, this,
            [this] { enterTrigger(Combo2, txtTRIG2, state_.Trigger2Value); });
    connect(Combo3, &QComboBox::activated, this,
            [this] { paintChoice(Combo3, QColor(0, 255, 0)); });
    connect(cmdTRIG, &QPushButton::clicked, this, [this] { state_.TriggerEntered = true; });
    connect(txtTRIG, &QLineEdit::returnPressed, cmdTRIG, &QPushButton::click);
}

void TriggerEntry::restoreThresholds() {
    state_.Trigger1Value = int(core::leadingNumber(txtTRIG1->text()));
    state_.Trigger2Value = int(core::leadingNumber(txtTRIG2->text()));
    state_.TriggerEntered = false;
}

void TriggerEntry::clear() {
    stopPrompt();
    paintChoices(Qt::white);
    for (QComboBox* combo : {Combo1, Combo2, Combo3})
        combo->setCurrentIndex(-1);
    txtTRIG1->clear();
    txtTRIG2->clear();
}

void TriggerEntry::paintChoices(const QColor& colour) {
    for (QComboBox* combo : {Combo1, Combo2, Combo3})
        paintChoice(combo, colour);
}

std::optional<int> TriggerEntry::askThreshold(Trigger::Kind kind) {
    const ThresholdRange range = thresholdRange(kind);
    lblTRIG->setText(QLatin1String(range.prompt));
    txtTRIG->clear();
    prompt_ = std::stop_source();
    scan::EventPump pump;
    for (;;) {
        txtTRIG->setFocus();
        state_.TriggerEntered = false;
        if (scan::waitUntil([this] { return state_.TriggerEntered; }, scan::Deadline::never(),
                            prompt_.get_token(), [&pump] { pump.pump(); }) != scan::WaitEnd::Met)
            return std::nullopt;
        if (const std::optional<int> value = range.accept(txtTRIG->text()))
            return value;
        prompter_.message({QLatin1String(range.outOfRange)});
        txtTRIG->setText(QStringLiteral("00"));
    }
}

void TriggerEntry::enterTrigger(QComboBox* combo, QLineEdit* shown, int& value) {
    const std::initializer_list<QWidget*> prompt{lblTRIG, txtTRIG, cmdTRIG};
    for (QWidget* w : prompt)
        w->show();
    for (QComboBox* choice : {Combo1, Combo2, Combo3})
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
    for (QComboBox* choice : {Combo1, Combo2, Combo3})
        choice->setEnabled(true);
    emit asking(false);
    for (QWidget* w : prompt)
        w->hide();
}

StartCondition TriggerEntry::startCondition() const {
    StartCondition condition;
    condition.first = {Trigger::Kind(std::max(Combo1->currentIndex(), 0)), state_.Trigger1Value};
    condition.second = {Trigger::Kind(std::max(Combo2->currentIndex(), 0)), state_.Trigger2Value};
    condition.combination = Combo3->currentIndex() < 0    ? StartCondition::Combination::None
                            : Combo3->currentIndex() == 0 ? StartCondition::Combination::And
                                                          : StartCondition::Combination::Or;
    return condition;
}

} // namespace monitor
