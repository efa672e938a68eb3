// SPDX-License-Identifier: GPL-3.0-or-later
#include "o2_pictures.h"

#include "o2_drawings.h"
#include "ui/widgets.h"

#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace diag {

namespace {

struct PictureWindow {
    O2Picture::Kind kind;
    const char* name;
    const char* title;
};

constexpr PictureWindow kWindows[] = {
    {O2Picture::Kind::TestDefinitions, "frmO2", "O2 Sensor Test Definitions"},
    {O2Picture::Kind::VDualExhaust, "frmVXdual",
     "O2 sensor locations for V engine, dual exhaust configuration"},
    {O2Picture::Kind::VSingleExhaust, "frmVXsingle",
     "O2 sensor locations for V configuration with single exhaust"},
    {O2Picture::Kind::InlineFour, "frmI4sensor",
     "O2 sensor location for I4 cylinder configurations"},
};

} // namespace

O2Picture::O2Picture(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind) {
    setAutoFillBackground(true);
    ui::paint(this, {{QPalette::Window, Qt::white}});
}

QSize O2Picture::sizeHint() const {
    switch (kind_) {
    case Kind::Thumbnail:
        return {120, 64};
    case Kind::TestDefinitions:
        return kCurveCanvas.toSize();
    default:
        return kEngineCanvas.toSize();
    }
}

void O2Picture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = p.font();
    font.setPixelSize(14);
    p.setFont(font);
    switch (kind_) {
    case Kind::TestDefinitions:
    case Kind::Thumbnail:
        fit(p, rect(), kCurveCanvas);
        drawCurve(p, kind_ == Kind::TestDefinitions);
        break;
    case Kind::VDualExhaust:
    case Kind::VSingleExhaust:
        fit(p, rect(), kEngineCanvas);
        drawVEngine(p, kind_ == Kind::VDualExhaust);
        break;
    case Kind::InlineFour:
        fit(p, rect(), kEngineCanvas);
        drawInlineFour(p);
        break;
    }
}

O2PictureWindow::O2PictureWindow(O2Picture::Kind kind, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    const auto* window = std::find_if(std::begin(kWindows), std::end(kWindows),
                                      [kind](const PictureWindow& w) { return w.kind == kind; });
    setObjectName(QLatin1String(window->name));
    setWindowTitle(QLatin1String(window->title));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new O2Picture(kind), 1);
    if (kind == O2Picture::Kind::TestDefinitions) {
        closeButton = ui::named(new QPushButton(QStringLiteral("OK")), "Command1");
        connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
        layout->addWidget(closeButton, 0, Qt::AlignRight);
    }
}

} // namespace diag
