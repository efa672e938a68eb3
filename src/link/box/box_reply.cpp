// SPDX-License-Identifier: GPL-3.0-or-later
#include "box_reply.h"

#include "core/number_text.h"

#include <algorithm>

namespace scan::box {

namespace {

int nibble(QChar c) {
    int v = std::max<int>(c.unicode(), '0') - '0';
    if (v > 9)
        v -= 7;
    return v;
}

bool isHex(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

int field(const QString& command, int index) {
    return hexPairValue(core::mid(command, 2 * index + 1, 2));
}

// The services whose third command field is the number of reply bytes.
bool hasLengthField(int service) {
    return service == 0x01 || service == 0x02 || service == 0x04 || service == 0x09 ||
           isCodeService(service);
}

bool isO2TestService(int service) {
    return service == 0x05 || service == 0x06;
}

// The bytes of a service's frame, the three header bytes included; 0 for the box's own
// commands. The O2 test commands carry the sensor where the others carry the length: their
// frames hold the support bytes (9), a value (6) or a value and its limits (8).
int frameBytes(const QString& command) {
    const int service = field(command, 0);
    if (hasLengthField(service))
        return field(command, 2);
    if (!isO2TestService(service))
        return 0;
    const int test = field(command, 1);
    if (test == 0)
        return 9;
    return test <= 4 ? 6 : 8;
}

// A code reply may carry one junk character before its first code.
bool hasCodeJunk(int service, QStringView text) {
    return isCodeService(service) && text.size() >= 10 && text[9].unicode() < '0';
}

} // namespace

bool isCodeService(int service) {
    return service == 0x03 || service == 0x07 || service == 0x0A;
}

bool nothingToReport(int service, int header) {
    return service == 0x07 ? header >= 0xFE : header == 0xFF;
}

int hexPairValue(QString& Hex1) {
    if (Hex1.isEmpty())
        Hex1 = QStringLiteral("00");
    const int high = nibble(Hex1[0]);
    const int low = Hex1.size() > 1 ? nibble(Hex1[1]) : 0;
    const int sum = high * 16 + low;
    return sum > 255 ? 128 : sum;
}

int hexPairValue(const QString& Hex1) {
    QString copy = Hex1;
    return hexPairValue(copy);
}

bool checksumHolds(QStringView text, int bytes) {
    const int end = 1 + 2 * (bytes + 1);
    if (bytes <= 0 || text.size() < end ||
        !std::all_of(text.begin() + 1, text.begin() + end, isHex))
        return false;
    int sum = 0;
    for (int position = 2; position < end - 2; position += 2)
        sum += hexPairValue(text.mid(position - 1, 2).toString());
    return sum % 256 == hexPairValue(text.mid(end - 2, 2).toString());
}

int Reply::wholeLength(const QString& command, QStringView arrived) {
    const int bytes = frameBytes(command);
    if (bytes == 0)
        return 0;
    return 1 + 2 * (bytes + 1) + (hasCodeJunk(field(command, 0), arrived) ? 1 : 0);
}

Reply Reply::of(const QString& command, int threshold, const QString& arrived) {
    if (arrived.size() <= threshold)
        return Reply(Status::Late, arrived);
    // A ready marker sent just before the command came is stepped over before the markers are
    // read, or it would turn the ECU's "S" second into one third.
    QString text = arrived.startsWith(QLatin1Char('S')) ? arrived.mid(1) : arrived;
    if (core::mid(text, 3, 1) == QLatin1String("S"))
        return Reply(Status::OutOfStep, text);
    if (core::mid(text, 2, 1) == QLatin1String("S"))
        return Reply(Status::EcuTimeout, text);

    const int service = field(command, 0);
    const int bytes = frameBytes(command);
    if (bytes == 0)
        return Reply(Status::Answered, text);
    if (hasCodeJunk(service, text))
        text.remove(9, 1);
    // One character lost slides the checksum into the data; one flipped changes the sum.
    if (!checksumHolds(text, bytes))
        return Reply(Status::Garbled, text);

    // The box's own "nothing to report" for the code services.
    const int header = hexPairValue(text.mid(1, 2));
    if (isCodeService(service) && nothingToReport(service, header))
        return Reply(Status::Answered, text);

    const int response = hexPairValue(text.mid(7, 2));
    // A refusal names the service it refuses, where the length asked for leaves room for it.
    if (response == 0x7F)
        return Reply(bytes < 5 || hexPairValue(text.mid(9, 2)) == service ? Status::Refused
                                                                          : Status::Garbled,
                     text);
    // The O2 test replies are judged further by their caller.
    if (isO2TestService(service))
        return Reply(Status::Answered, text);
    if (response != service + 0x40)
        return Reply(Status::Garbled, text);
    const bool echoesPid = service == 0x01 || service == 0x02 || service == 0x09;
    if (echoesPid && hexPairValue(text.mid(9, 2)) != field(command, 1))
        return Reply(Status::Garbled, text);
    return Reply(Status::Answered, text);
}

Reply Reply::firmware(const QString& arrived) {
    if (arrived.size() <= 4)
        return Reply(Status::Late, arrived);
    const QString text = arrived.startsWith(QLatin1Char('S')) ? arrived.mid(1) : arrived;
    if (core::mid(text, 3, 1) == QLatin1String("S"))
        return Reply(Status::OutOfStep, text);
    if (core::mid(text, 2, 1) == QLatin1String("S"))
        return Reply(Status::EcuTimeout, text);
    // The leading character, then a version such as "4.00": line noise never reads as one.
    const QString identification = text.left(5);
    const bool version = identification.size() == 5 && identification[0].unicode() >= 0x20 &&
                         identification[0].unicode() < 0x7F &&
                         std::all_of(identification.begin() + 1, identification.end(),
                                     [](QChar c) { return c.isDigit() || c == QLatin1Char('.'); });
    return Reply(version ? Status::Answered : Status::Garbled, identification);
}

Reply Reply::raw(int threshold, QByteArray bytes) {
    Reply reply(bytes.size() > threshold ? Status::Answered : Status::Late);
    reply.bytes_ = std::move(bytes);
    return reply;
}

QString Reply::mid(int position, int length) const {
    return core::mid(text_, position, length);
}

int Reply::byte(int position) const {
    return hexPairValue(mid(position, 2));
}

} // namespace scan::box
