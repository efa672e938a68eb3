// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace core {

// The name the program shows in titles and error messages.
inline const QString programName = QStringLiteral("Vamrick");

// Every question or message that needs the user's eyes goes through here, so windows and logic
// can run with scripted answers in tests and in the headless report.
class Prompter {
public:
    enum class Icon { None, Information, Question, Warning, Stop };

    struct Message {
        QString text;
        QString title = programName;
        Icon icon = Icon::None;
    };
    struct Question {
        QString text;
        QString title = programName;
        Icon icon = Icon::Question;
        bool defaultYes = true;
    };
    struct FileRequest {
        QString title;
        QString filter; // e.g. "Log Files (*.log)"
        bool forSaving = true;
    };
    struct InputRequest {
        QString prompt;
        QString title = programName;
        QString defaultText;
    };

    virtual ~Prompter() = default;

    // A message box with an OK button only.
    virtual void message(const Message& message) = 0;
    // A Yes/No question: true when the user answers Yes.
    virtual bool ask(const Question& question) = 0;
    // A file name, or the empty text when the user cancels.
    virtual QString fileName(const FileRequest& request) = 0;
    // The entered text, or nothing when the user cancels.
    virtual std::optional<QString> input(const InputRequest& request) = 0;
};

} // namespace core
