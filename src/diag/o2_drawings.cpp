// SPDX-License-Identifier: GPL-3.0-or-later
#include "o2_drawings.h"

#include <QPainterPath>

#include <array>
#include <utility>

namespace diag {

namespace {

const QColor kInk(30, 30, 30);
const QColor kPipe(120, 120, 128);
const QColor kBlock(205, 210, 220);
const QColor kSensor(255, 140, 0);
const QColor kCurve(0, 90, 200);
const QColor kMark(200, 30, 30);

} // namespace

void fit(QPainter& p, const QRect& area, const QSizeF& canvas) {
    const double scale = std::min(area.width() / canvas.width(), area.height() / canvas.height());
    p.translate(area.x() + (area.width() - canvas.width() * scale) / 2,
                area.y() + (area.height() - canvas.height() * scale) / 2);
    p.scale(scale, scale);
}

namespace {

// ---- the sensor voltage curve -----------------------------------------------------------------

// One switching cycle and a half: (seconds, volts), straight between the points.
constexpr std::array<std::pair<double, double>, 10> kWave{{{0, 0.85},
                                                           {1.5, 0.85},
                                                           {2.3, 0.1},
                                                           {4.0, 0.1},
                                                           {4.6, 0.85},
                                                           {6.5, 0.85},
                                                           {7.3, 0.1},
                                                           {9.0, 0.1},
                                                           {9.6, 0.85},
                                                           {10, 0.85}}};
constexpr double kHigh = 0.65;       // test $04
constexpr double kRichToLean = 0.50; // test $01
constexpr double kLeanToRich = 0.40; // test $02
constexpr double kLow = 0.25;        // test $03

struct Plot {
    QRectF area;
    double x(double seconds) const { return area.left() + seconds / 10 * area.width(); }
    double y(double volts) const { return area.bottom() - volts / 1.0 * area.height(); }
    QPointF at(double seconds, double volts) const { return {x(seconds), y(volts)}; }
};

// When the curve's segment from point i to i + 1 passes the voltage.
double crossing(std::size_t i, double volts) {
    const auto [t0, v0] = kWave[i];
    const auto [t1, v1] = kWave[i + 1];
    return t0 + (volts - v0) / (v1 - v0) * (t1 - t0);
}

void arrowSpan(QPainter& p, QPointF from, QPointF to, const QString& text) {
    p.drawLine(from, to);
    const double dir = to.x() > from.x() ? 1 : -1;
    for (const auto& [tip, sign] : {std::pair{from, dir}, std::pair{to, -dir}}) {
        p.drawLine(tip, tip + QPointF(sign * 7, -4));
        p.drawLine(tip, tip + QPointF(sign * 7, 4));
    }
    const QRectF label((from.x() + to.x()) / 2 - 60, from.y() - 20, 120, 16);
    p.drawText(label, Qt::AlignCenter, text);
}

} // namespace

void drawCurve(QPainter& p, bool withWords) {
    const Plot plot{withWords ? QRectF(70, 40, 520, 360) : QRectF(10, 10, 880, 450)};
    QPolygonF line;
    for (const auto& [seconds, volts] : kWave)
        line << plot.at(seconds, volts);

    p.setPen(QPen(kInk, withWords ? 1.5 : 6));
    p.drawLine(plot.area.bottomLeft(), plot.area.bottomRight());
    p.drawLine(plot.area.bottomLeft(), plot.area.topLeft());
    p.setPen(QPen(kCurve, withWords ? 3 : 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(line);
    if (!withWords)
        return;

    QFont font = p.font();
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(kInk);
    for (int tenth = 0; tenth <= 10; tenth += 2) {
        const double volts = tenth / 10.0;
        p.drawLine(QPointF(plot.area.left() - 5, plot.y(volts)),
                   QPointF(plot.area.left(), plot.y(volts)));
        p.drawText(QRectF(20, plot.y(volts) - 8, 42, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(volts, 'f', 1));
    }
    p.save();
    p.translate(16, plot.area.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-80, -12, 160, 16), Qt::AlignCenter, QStringLiteral("Sensor voltage (V)"));
    p.restore();
    p.drawText(QRectF(plot.area.left(), plot.area.bottom() + 8, plot.area.width(), 16),
               Qt::AlignCenter, QStringLiteral("Time"));

    // Voltage levels the ECU uses, with their test ids at the right.
    const std::pair<double, const char*> levels[] = {
        {0.85, "$08 Maximum sensor voltage for test cycle"},
        {kHigh, "$04 High voltage for switch time calculation"},
        {kRichToLean, "$01 Rich to lean threshold voltage"},
        {kLeanToRich, "$02 Lean to rich threshold voltage"},
        {kLow, "$03 Low voltage for switch time calculation"},
        {0.1, "$07 Minimum sensor voltage for test cycle"},
    };
    for (const auto& [volts, text] : levels) {
        p.setPen(QPen(kMark, 1, Qt::DashLine));
        p.drawLine(QPointF(plot.area.left(), plot.y(volts)),
                   QPointF(plot.area.right() + 8, plot.y(volts)));
        p.setPen(kInk);
        p.drawText(QRectF(plot.area.right() + 14, plot.y(volts) - 9, 300, 18),
                   Qt::AlignLeft | Qt::AlignVCenter, QLatin1String(text));
    }

    // Switch times between the low and high levels, and the time between two rich-to-lean
    // passes.
    p.setPen(QPen(kMark, 1.5));
    const double fallStart = crossing(1, kHigh);
    const double fallEnd = crossing(1, kLow);
    const double riseStart = crossing(3, kLow);
    const double riseEnd = crossing(3, kHigh);
    for (const auto& [seconds, volts] : {std::pair{fallStart, kHigh}, std::pair{fallEnd, kLow},
                                         std::pair{riseStart, kLow}, std::pair{riseEnd, kHigh}})
        p.drawLine(plot.at(seconds, volts), plot.at(seconds, 0.17));
    arrowSpan(p, plot.at(fallStart, 0.2), plot.at(fallEnd, 0.2), QStringLiteral("$05"));
    arrowSpan(p, plot.at(riseStart, 0.2), plot.at(riseEnd, 0.2), QStringLiteral("$06"));
    const double first = crossing(1, kRichToLean);
    const double second = crossing(5, kRichToLean);
    for (const double seconds : {first, second})
        p.drawLine(plot.at(seconds, kRichToLean), plot.at(seconds, 0.97));
    arrowSpan(p, plot.at(first, 0.95), plot.at(second, 0.95), QStringLiteral("$09"));
    p.setPen(kInk);
    p.drawText(QRectF(plot.area.left(), plot.area.bottom() + 28, 820, 16), Qt::AlignLeft,
               QStringLiteral("$05 rich to lean switch time, $06 lean to rich switch time, "
                              "$09 time between sensor transitions"));
}

namespace {

// ---- sensor locations -----------------------------------------------------------------------

void drawBank(QPainter& p, const QRectF& block, int cylinders, Qt::Orientation along,
              const QString& name) {
    p.setPen(QPen(kInk, 2));
    p.setBrush(kBlock);
    p.drawRoundedRect(block, 10, 10);
    p.setBrush(Qt::white);
    const double length = along == Qt::Vertical ? block.height() : block.width();
    const double step = length / cylinders;
    const double radius =
        std::min(step, along == Qt::Vertical ? block.width() : block.height()) * 0.34;
    for (int i = 0; i < cylinders; ++i) {
        const QPointF centre = along == Qt::Vertical
                                   ? QPointF(block.center().x(), block.top() + step * (i + 0.5))
                                   : QPointF(block.left() + step * (i + 0.5), block.center().y());
        p.drawEllipse(centre, radius, radius);
    }
    p.drawText(QRectF(block.left() - 40, block.top() - 26, block.width() + 80, 20), Qt::AlignCenter,
               name);
}

void drawPipe(QPainter& p, const QPolygonF& path) {
    p.setPen(QPen(kPipe, 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(path);
}

void drawCatalyst(QPainter& p, const QPointF& centre) {
    const QRectF body(centre.x() - 30, centre.y() - 34, 60, 68);
    p.setPen(QPen(kInk, 2));
    p.setBrush(QColor(235, 225, 190));
    p.drawRoundedRect(body, 14, 14);
    QFont font = p.font();
    font.setPixelSize(11);
    p.save();
    p.setFont(font);
    p.drawText(body, Qt::AlignCenter, QStringLiteral("Cat"));
    p.restore();
}

// The sensor sits on the pipe; its name goes to the given side.
void drawSensor(QPainter& p, const QPointF& at, const QString& name, Qt::AlignmentFlag side) {
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kSensor);
    p.drawEllipse(at, 9, 9);
    const QRectF label = side == Qt::AlignLeft ? QRectF(at.x() - 156, at.y() - 10, 140, 20)
                                               : QRectF(at.x() + 16, at.y() - 10, 140, 20);
    p.drawText(label, side | Qt::AlignVCenter, name);
}

void drawLegend(QPainter& p, const QString& title) {
    p.setPen(kInk);
    p.drawText(QRectF(0, 8, kEngineCanvas.width(), 20), Qt::AlignCenter, title);
    p.setBrush(kSensor);
    p.drawEllipse(QPointF(24, 452), 7, 7);
    p.drawText(QRectF(38, 442, 300, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("O2 sensor"));
}

} // namespace

void drawVEngine(QPainter& p, bool dualExhaust) {
    drawLegend(p, QStringLiteral("Front of engine"));
    // Each bank's manifold runs along its outer side, one runner from each cylinder, then turns
    // down.
    for (int i = 0; i < 4; ++i) {
        const double y = 60 + 190.0 / 4 * (i + 0.5);
        drawPipe(p, {QPointF(255, y), QPointF(215, y)});
        drawPipe(p, {QPointF(445, y), QPointF(485, y)});
    }
    drawBank(p, QRectF(250, 60, 70, 190), 4, Qt::Vertical, QStringLiteral("Bank 1"));
    drawBank(p, QRectF(380, 60, 70, 190), 4, Qt::Vertical, QStringLiteral("Bank 2"));
    const QPolygonF left{{215, 84}, {215, 270}};
    const QPolygonF right{{485, 84}, {485, 270}};
    if (dualExhaust) {
        drawPipe(p, QPolygonF(left) << QPointF(215, 450));
        drawPipe(p, QPolygonF(right) << QPointF(485, 450));
        drawCatalyst(p, {215, 340});
        drawCatalyst(p, {485, 340});
        drawSensor(p, {215, 280}, QStringLiteral("Bank1, Sensor1"), Qt::AlignLeft);
        drawSensor(p, {215, 405}, QStringLiteral("Bank1, Sensor2"), Qt::AlignLeft);
        drawSensor(p, {485, 280}, QStringLiteral("Bank2, Sensor1"), Qt::AlignRight);
        drawSensor(p, {485, 405}, QStringLiteral("Bank2, Sensor2"), Qt::AlignRight);
        return;
    }
    drawPipe(p, QPolygonF(left) << QPointF(215, 300) << QPointF(350, 330) << QPointF(350, 450));
    drawPipe(p, QPolygonF(right) << QPointF(485, 300) << QPointF(350, 330));
    drawCatalyst(p, {350, 375});
    drawSensor(p, {215, 250}, QStringLiteral("Bank1, Sensor1"), Qt::AlignLeft);
    drawSensor(p, {485, 250}, QStringLiteral("Bank2, Sensor1"), Qt::AlignRight);
    drawSensor(p, {350, 435}, QStringLiteral("Bank1, Sensor2"), Qt::AlignRight);
}

void drawInlineFour(QPainter& p) {
    drawLegend(p, QStringLiteral("In-line four cylinder engine"));
    drawBank(p, QRectF(190, 70, 320, 80), 4, Qt::Horizontal, QStringLiteral("Bank 1"));
    // One runner per cylinder, joined in the manifold.
    for (int i = 0; i < 4; ++i)
        drawPipe(p, {QPointF(230 + 80 * i, 150), QPointF(230 + 80 * i, 185), QPointF(350, 215)});
    drawPipe(p, {QPointF(350, 215), QPointF(350, 450)});
    drawCatalyst(p, {350, 320});
    drawSensor(p, {350, 250}, QStringLiteral("Bank1, Sensor1"), Qt::AlignRight);
    drawSensor(p, {350, 395}, QStringLiteral("Bank1, Sensor2"), Qt::AlignRight);
}

} // namespace diag
