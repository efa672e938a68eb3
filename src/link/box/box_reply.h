// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/answer_status.h"

#include <QByteArray>
#include <QString>

namespace scan::box {

// The services that answer with trouble code frames: stored ($03), pending ($07), permanent ($0A).
bool isCodeService(int service);
// The box's own "nothing to report" in a code reply's first header byte.
bool nothingToReport(int service, int header);

// Two hexadecimal characters as 0..255: characters below "0" count as 0, lower-case letters and
// other characters above "F" give 128, the empty text reads as "00" (and is set to it).
int hexPairValue(QString& Hex1);
int hexPairValue(const QString& Hex1);

// The box's reply to one command, judged once, where it enters the program. Only an
// answered reply is ever read for values; every other kind is "no answer" to whoever asked.
class Reply {
public:
    using Status = AnswerStatus;

    Reply() = default;
    explicit Reply(Status status) : status_(status) {}

    // Judges what arrived for `command` once the wait for more than `threshold` characters
    // ended. A service's frame (services $01 to $07) must come whole: its bytes in hex, then
    // their checksum; for services $01 to $04 and $07 also with the response id (and for $01 and
    // $02 the PID) of the request.
    static Reply of(const QString& command, int threshold, const QString& text);
    // How many characters the reply to `command` needs before it can be judged, going by what
    // has arrived of it (a stray leading "S" stepped over): a service's whole frame with its
    // checksum, a junk character before the first code included; 0 for the box's own commands,
    // whose replies carry no checksum.
    static int wholeLength(const QString& command, QStringView arrived);
    // The firmware identification: the leading character and four of digits and points.
    static Reply firmware(const QString& text);
    // The pass-through's answer, raw bytes rather than text: answered once more than `threshold`
    // bytes came. What they mean is for the caller to judge.
    static Reply raw(int threshold, QByteArray bytes);

    Status status() const { return status_; }
    bool answered() const { return status_ == Status::Answered; }
    // The scan tool cannot be asked anything more in this operation.
    bool ended() const { return endsOperation(status_); }
    // The reply as it came, a stray leading "S" stepped over.
    const QString& text() const { return text_; }
    // 1-based, clipped to the text.
    QString mid(int position, int length) const;
    // The hex pair at a 1-based position as 0..255.
    int byte(int position) const;
    // The answering ECU's address.
    QString ecu() const { return mid(6, 2); }
    // The same text judged otherwise, for judges that look further than of() does.
    Reply judgedAs(Status status) const { return Reply(status, text_); }
    // The bytes of a raw reply, in the order they came.
    const QByteArray& bytes() const { return bytes_; }

private:
    Reply(Status status, QString text) : status_(status), text_(std::move(text)) {}

    Status status_ = Status::Late;
    QString text_;
    QByteArray bytes_;
};

// Whether the box's frame at the start of `text` (its leading character, then `bytes` bytes in
// hex) is followed by their checksum: the sum of the bytes, modulo 256, as one more hex pair.
bool checksumHolds(QStringView text, int bytes);

} // namespace scan::box
