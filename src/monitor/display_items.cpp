// SPDX-License-Identifier: GPL-3.0-or-later
#include "display_items.h"

#include "core/number_text.h"

#include <QRegularExpression>

#include <array>

namespace monitor {

namespace {

struct Row {
    int first, last;
    DisplayItem item;
};

constexpr auto F = DisplayItem::Text::Formatted;
constexpr auto H = DisplayItem::Text::Hundredths;
constexpr auto R = DisplayItem::Text::Raw;

const std::array kRows{
    Row{4, 4, {10, 50, H, "##.0%", false}},       Row{5, 5, {150, 180, F, "### ", false}},
    Row{10, 10, {20, 70, R, "", false}},          Row{11, 11, {18, 40, F, "#0.00 ", false}},
    Row{12, 12, {500, 2000, F, "#### ", false}},  Row{13, 13, {0, 20, F, "### ", false}},
    Row{14, 14, {-30, 30, R, "", false}},         Row{15, 15, {20, 80, F, "### ", false}},
    Row{16, 16, {30, 70, F, "###.00 ", false}},   Row{17, 17, {0, 100, H, "00.0% ", false}},
    Row{18, 18, {0, 50, R, "", false}},           Row{20, 27, {0, 1.25, F, "0.000 ", false}},
    Row{33, 33, {0, 50000, F, "0.000 ", false}},  Row{34, 34, {0, 100, F, "0.000 ", false}},
    Row{35, 35, {0, 6600, F, "0.000 ", false}},   Row{36, 43, {0, 1.999, F, "0.000 ", true}},
    Row{44, 47, {0, 100, F, "0.000 ", false}},    Row{48, 48, {0, 255, F, "0.000 ", false}},
    Row{49, 49, {0, 66000, F, "0.000 ", false}},  Row{50, 50, {-8200, 8200, F, "0.000 ", false}},
    Row{51, 51, {0, 35, F, "0.000 ", false}},     Row{52, 59, {0, 1.999, F, "0.000 ", true}},
    Row{60, 63, {-40, 2000, F, "0.000 ", false}}, Row{66, 66, {5, 20, F, "###.00 ", false}},
    Row{67, 67, {0, 100, F, "### ", false}},      Row{68, 68, {0, 2, F, "###.000 ", false}},
    Row{69, 69, {0, 100, F, "### ", false}},      Row{70, 70, {-40, 220, F, "###.0 ", false}},
    Row{71, 76, {0, 100, F, "##0.0 ", false}},    Row{77, 77, {0, 100, F, "####0 ", false}},
    Row{78, 78, {0, 2000, F, "####0 ", false}},
};

bool isNumeric(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*[-+]?(\\d|\\.\\d)"));
    return number.match(text).hasMatch();
}

} // namespace

std::optional<DisplayItem> displayItem(int code) {
    for (const Row& row : kRows) {
        if (code >= row.first && code <= row.last)
            return row.item;
    }
    return std::nullopt;
}

QString displayText(const DisplayItem& item, const obd::Reading& reading) {
    const QString format = QLatin1String(item.format);
    if (item.text == DisplayItem::Text::Raw || !isNumeric(reading.value))
        return reading.value + reading.units;
    const double value = core::leadingNumber(reading.value);
    if (item.text == DisplayItem::Text::Hundredths)
        return core::formatNumber(value / 100, format);
    return core::formatNumber(value, format) + reading.units;
}

QString displayDescription(const DisplayItem& item, const obd::Reading& reading) {
    return item.wideRange ? QStringLiteral("Wide Range O2 Sensor Lambda") : reading.label;
}

} // namespace monitor
