// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPainter>
#include <QRect>
#include <QSizeF>

// The O2 sensor pictures: drawn on a fixed canvas, scaled to the widget keeping their proportions.
namespace diag {

inline constexpr QSizeF kCurveCanvas(900, 470);
inline constexpr QSizeF kEngineCanvas(700, 470);

// Scales and centres the painter so that the canvas fills the area.
void fit(QPainter& p, const QRect& area, const QSizeF& canvas);
// A sensor's voltage over time, with what each test measures marked when `withWords`.
void drawCurve(QPainter& p, bool withWords);
// A V engine's banks, exhaust and sensors, with one exhaust pipe or two.
void drawVEngine(QPainter& p, bool dualExhaust);
void drawInlineFour(QPainter& p);

} // namespace diag
