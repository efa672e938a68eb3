// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"
#include "log_state.h"
#include "triggers.h"

#include <QGroupBox>

#include <optional>
#include <stop_token>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace monitor {

// The logger's start triggers: two conditions and how they combine. Picking a condition asks for
// its threshold in the entry line under them, until ENTER takes a number in range.
class TriggerEntry : public QGroupBox {
    Q_OBJECT
public:
    TriggerEntry(LogState& state, core::Prompter& prompter, QWidget* parent = nullptr);

    StartCondition startCondition() const;
    // Restored choices bring back their thresholds without asking again.
    void restoreThresholds();
    // No triggers: every choice and threshold cleared, a threshold prompt ended.
    void clear();
    // Ends a threshold prompt under way (QUIT, Escape).
    void stopPrompt() { prompt_.request_stop(); }
    void paintChoices(const QColor& colour);

    QComboBox* firstTrigger;    // Combo1
    QComboBox* secondTrigger;   // Combo2
    QComboBox* combination;     // Combo3: AND / OR
    QLabel* thresholdPrompt;    // lblTRIG
    QLineEdit* thresholdEntry;  // txtTRIG
    QPushButton* enterButton;   // cmdTRIG
    QLineEdit* firstThreshold;  // txtTRIG1
    QLineEdit* secondThreshold; // txtTRIG2

signals:
    // A threshold is being asked for: the log must not start meanwhile.
    void asking(bool asking);

private:
    // The threshold entry of a trigger choice; the value stays as it was when it is left.
    void enterTrigger(QComboBox* combo, QLineEdit* shown, int& value);
    std::optional<int> askThreshold(Trigger::Kind kind);

    LogState& state_;
    core::Prompter& prompter_;
    std::stop_source prompt_;
};

} // namespace monitor
