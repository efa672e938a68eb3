// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"

#include <QStringList>

namespace app {

// Answers for the headless report: messages are kept for the report, questions take their default
// answer (or Yes when told so), file and input prompts are cancelled.
class ReportPrompter : public core::Prompter {
public:
    void message(const Message& message) override { messages << message.text; }
    bool ask(const Question& question) override {
        const bool yes = answerYes || question.defaultYes;
        messages << question.text + (yes ? QStringLiteral(" Yes") : QStringLiteral(" No"));
        return yes;
    }
    QString fileName(const FileRequest&) override { return {}; }
    std::optional<QString> input(const InputRequest&) override { return std::nullopt; }

    QStringList messages;
    bool answerYes = false;
};

} // namespace app
