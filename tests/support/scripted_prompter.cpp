// SPDX-License-Identifier: GPL-3.0-or-later
#include "scripted_prompter.h"

#include <utility>

namespace {
template <typename T, typename D> T takeFront(std::deque<T>& queue, D fallback) {
    if (queue.empty())
        return fallback;
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}
} // namespace

void ScriptedPrompter::message(const Message& message) {
    messages.push_back(message);
}

bool ScriptedPrompter::ask(const Question& question) {
    questions.push_back(question);
    return takeFront(answers, false);
}

QString ScriptedPrompter::fileName(const FileRequest&) {
    return takeFront(fileNames, QString());
}

std::optional<QString> ScriptedPrompter::input(const InputRequest&) {
    const QString answer = takeFront(inputs, QString());
    return answer.isNull() ? std::nullopt : std::optional<QString>(answer);
}

QStringList ScriptedPrompter::messageTexts() const {
    QStringList texts;
    for (const auto& m : messages)
        texts << m.text;
    return texts;
}
