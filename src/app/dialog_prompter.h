// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/prompter.h"

class QWidget;

namespace app {

// The real dialogs: message boxes, Yes/No questions, file dialogs and input prompts.
class DialogPrompter : public core::Prompter {
public:
    explicit DialogPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void message(const Message& message) override;
    bool ask(const Question& question) override;
    QString fileName(const FileRequest& request) override;
    std::optional<QString> input(const InputRequest& request) override;

private:
    QWidget* parent_;
};

} // namespace app
