#include "elm_lines.h"

#include <QRegularExpression>

#include <map>
#include <optional>

namespace sim {

namespace {

// The line's hex digits as bytes; nothing when it holds anything else.
std::optional<QByteArray> hexBytes(QString text) {
    text.remove(QLatin1Char(' '));
    static const QRegularExpression hex(QStringLiteral("^([0-9A-Fa-f]{2})+$"));
    if (!hex.match(text).hasMatch())
        return std::nullopt;
    return QByteArray::fromHex(text.toLatin1());
}

// An ISO 15765 message being joined from its frames.
struct Assembly {
    int expected = -1;
    QByteArray data;
};

// Takes one CAN frame's payload (from its ISO 15765 byte on); true when it completed a message.
bool addCanFrame(Assembly& assembly, const QByteArray& payload) {
    if (payload.isEmpty())
        return false;
    const quint8 pci = quint8(payload[0]);
    switch (pci >> 4) {
    case 0: // single frame
        assembly = {};
        assembly.data = payload.mid(1, pci & 0x0F);
        return true;
    case 1: // first frame
        if (payload.size() < 2)
            return false;
        assembly.expected = ((pci & 0x0F) << 8) | quint8(payload[1]);
        assembly.data = payload.mid(2);
        break;
    case 2: // consecutive frame
        if (assembly.expected < 0)
            return false;
        assembly.data += payload.mid(1);
        break;
    default:
        return false;
    }
    if (assembly.expected < 0 || assembly.data.size() < assembly.expected)
        return false;
    assembly.data.truncate(assembly.expected);
    assembly.expected = -1;
    return true;
}

} // namespace

ElmFraming framingOf(const QString& protocolNumber) {
    const QString digit = protocolNumber.trimmed().right(1).toUpper();
    if (digit == QLatin1String("7") || digit == QLatin1String("9"))
        return ElmFraming::Can29;
    if (digit == QLatin1String("6") || digit == QLatin1String("8") || digit >= QLatin1String("A"))
        return ElmFraming::Can11;
    return ElmFraming::NonCan;
}

ElmFraming guessFraming(const QString& line) {
    const QString first = line.trimmed().section(QLatin1Char(' '), 0, 0);
    if (first.size() == 3)
        return ElmFraming::Can11;
    if (first.size() == 2 && first.compare(QLatin1String("18"), Qt::CaseInsensitive) == 0)
        return ElmFraming::Can29;
    return ElmFraming::NonCan;
}

std::vector<ElmMessage> parseElmLines(const QStringList& lines, ElmFraming framing) {
    std::vector<ElmMessage> messages;
    std::map<quint32, Assembly> assemblies;
    for (const QString& line : lines) {
        QString text = line;
        text.remove(QLatin1Char(' '));
        if (framing == ElmFraming::Can11) {
            // Three hex digits of identifier make the byte count odd: put a 0 in front.
            text.prepend(QLatin1Char('0'));
        }
        const std::optional<QByteArray> bytes = hexBytes(text);
        if (!bytes)
            continue;
        if (framing == ElmFraming::NonCan) {
            if (bytes->size() < 5)
                continue;
            messages.push_back({quint8(bytes->at(2)), bytes->mid(3, bytes->size() - 4)});
            continue;
        }
        const int idBytes = framing == ElmFraming::Can11 ? 2 : 4;
        if (bytes->size() <= idBytes)
            continue;
        quint32 id = 0;
        for (int i = 0; i < idBytes; ++i)
            id = (id << 8) | quint8(bytes->at(i));
        Assembly& assembly = assemblies[id];
        if (addCanFrame(assembly, bytes->mid(idBytes)))
            messages.push_back({quint8(id & 0xFF), assembly.data});
    }
    return messages;
}

std::vector<ElmMessage> parseHeaderlessLines(const QStringList& lines, ElmFraming framing) {
    QByteArray joined;
    bool numbered = false;
    int count = -1;
    std::vector<ElmMessage> messages;
    for (const QString& line : lines) {
        QString text = line.trimmed();
        const int colon = text.indexOf(QLatin1Char(':'));
        if (colon > 0) {
            numbered = true;
            text = text.mid(colon + 1);
        } else if (framing != ElmFraming::NonCan && text.remove(QLatin1Char(' ')).size() == 3) {
            count = text.toInt(nullptr, 16); // the byte count of a numbered answer
            continue;
        }
        const std::optional<QByteArray> bytes = hexBytes(text);
        if (!bytes)
            continue;
        if (numbered)
            joined += *bytes;
        else
            messages.push_back({0, *bytes});
    }
    if (numbered)
        messages.push_back({0, count >= 0 ? joined.left(count) : joined});
    return messages;
}

} // namespace sim
