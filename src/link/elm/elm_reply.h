// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "elm_adapter.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace scan::elm {

// Sorts the text an adapter sent for `command` (everything before its ">" prompt) into an
// answer: line ends of any kind, the echo of the command, progress lines ("SEARCHING...",
// "BUS INIT: ...OK") and noise before the first character are dropped; an answer holding bytes
// that are not the adapter's text is Garbled.
ElmAnswer sortAnswer(QByteArrayView text, QByteArrayView command);

// Gathers the bytes of one answer up to the prompt, however the reads split them.
class ElmReplyReader {
public:
    // Starts a new answer to `command`; whatever came before is stale and dropped.
    void expect(const QByteArray& command);
    // The answer once its prompt has arrived; bytes after the prompt are dropped.
    std::optional<ElmAnswer> feed(QByteArrayView bytes);

private:
    QByteArray command_;
    QByteArray text_;
    bool prompted_ = false;
};

} // namespace scan::elm
