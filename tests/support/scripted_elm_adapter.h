// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/elm/elm_adapter.h"

#include <QMap>
#include <QTimer>

#include <deque>
#include <utility>

// An ELM327 adapter that answers each command from a script, later: on flush(), or from the event
// loop when it answers on its own. Commands it has no script for get `otherwise` (NO DATA); every
// command sent is recorded.
class ScriptedElmAdapter : public scan::elm::ElmAdapter {
public:
    using Answer = scan::elm::ElmAnswer;

    void start() override { emit ready(); }
    void send(const QByteArray& command, std::function<void(const Answer&)> done,
              std::optional<std::chrono::milliseconds> = std::nullopt) override {
        sent << QString::fromLatin1(command);
        queue.emplace_back(answers.value(command, otherwise), std::move(done));
        if (answerOnItsOwn)
            QTimer::singleShot(0, this, [this] { flush(); });
    }
    void stop() override {}
    QString identity() const override { return QStringLiteral("ELM327 v1.5"); }
    bool headersOn() const override { return headers; }
    QString device() const override { return QStringLiteral("scripted"); }
    QString protocol() const override { return protocolNumber; }

    void script(const QByteArray& command, const QStringList& lines) {
        answers[command] = Answer{Answer::Kind::Lines, lines, {}};
    }
    // Answers what was sent, and what those answers make the caller send.
    void flush() {
        while (!queue.empty()) {
            auto [answer, done] = std::move(queue.front());
            queue.pop_front();
            done(answer);
        }
    }

    QMap<QByteArray, Answer> answers;
    Answer otherwise{Answer::Kind::NoData, {}, {}}; // for a command without a script
    QStringList sent;
    bool headers = true;
    QString protocolNumber = QStringLiteral("6");
    bool answerOnItsOwn = false; // as a real adapter, from the event loop
    std::deque<std::pair<Answer, std::function<void(const Answer&)>>> queue;
};
