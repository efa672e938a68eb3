// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QPushButton;

namespace diag {

// The reference drawings of the O2 sensor tests, drawn to the widget's size.
class O2Picture : public QWidget {
    Q_OBJECT
public:
    enum class Kind {
        TestDefinitions, // a sensor's voltage over time with what each test measures
        VDualExhaust,
        VSingleExhaust,
        InlineFour,
        Thumbnail, // the curve, small and without words; no window of its own
    };

    explicit O2Picture(Kind kind, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind kind_;
};

// frmO2, frmVXdual, frmVXsingle or frmI4sensor: one drawing in its own window, shown without
// blocking. frmO2 has a button that hides it again.
class O2PictureWindow : public QWidget {
    Q_OBJECT
public:
    explicit O2PictureWindow(O2Picture::Kind kind, QWidget* parent = nullptr);

    QPushButton* closeButton = nullptr; // Command1
};

} // namespace diag
