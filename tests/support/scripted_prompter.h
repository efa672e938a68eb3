// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"

#include <QStringList>

#include <deque>
#include <vector>

// Records every text the program shows and answers from a plan; unplanned questions answer No,
// unplanned file requests and input prompts are cancelled.
class ScriptedPrompter : public core::Prompter {
public:
    void message(const Message& message) override;
    bool ask(const Question& question) override;
    QString fileName(const FileRequest& request) override;
    std::optional<QString> input(const InputRequest& request) override;

    QStringList messageTexts() const;

    std::vector<Message> messages;
    std::vector<Question> questions;
    std::deque<bool> answers;
    std::deque<QString> fileNames;
    std::deque<QString> inputs; // a null text cancels the prompt
};
