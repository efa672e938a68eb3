// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart_window.h"

#include "ui/widgets.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace monitor {

using ui::named;

ChartWindow::ChartWindow(RealtimeDisplay& display, core::Prompter& prompter,
                         scan::OperationRunner& operations, QWidget* parent)
    : QWidget(parent, Qt::Window), display_(display), operations_(operations) {
    setObjectName(QStringLiteral("Chart"));
    setWindowTitle(QStringLiteral("Vamrick Real Time Display"));
    stripChart = named(new StripChart(prompter), "iStripChartX1");
    valueCaption = named(new QLabel, "lblValText");
    QFont big = valueCaption->font();
    big.setPointSize(big.pointSize() + 3);
    valueCaption->setFont(big);
    valueBox = named(new QLineEdit, "txbValue");
    valueBox->setReadOnly(true);
    valueBox->setFont(big);
    stopFlag = named(new QRadioButton, "optFlag");
    stopFlag->setAutoExclusive(false);
    stopFlag->hide();
    stopButton = named(new QPushButton(QStringLiteral("STOP")), "Stop1");
    freezeButton = named(new QPushButton(QStringLiteral("Freeze")), "cmdFreeze");
    toolbarButton =
        named(new QPushButton(QStringLiteral("Show/Hide Toolbar")), "cmdShowHideToolbar");
    resetButton = named(new QPushButton(QStringLiteral("Reset")), "cmdResetChart");
    clearButton = named(new QPushButton(QStringLiteral("Clear")), "cmdClearData");

    connect(stopButton, &QPushButton::clicked, this, &ChartWindow::stop);
    connect(freezeButton, &QPushButton::clicked, this, &ChartWindow::freeze);
    connect(toolbarButton, &QPushButton::clicked, this,
            [this] { stripChart->setToolbarVisible(!stripChart->toolbarVisible()); });
    connect(resetButton, &QPushButton::clicked, stripChart, &StripChart::reset);
    connect(clearButton, &QPushButton::clicked, stripChart, &StripChart::clearData);
    ui::onEscape(this, [this] { stop(); });

    auto* value = new QHBoxLayout;
    value->addWidget(valueCaption, 1);
    value->addWidget(valueBox, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {clearButton, resetButton, toolbarButton, freezeButton, stopButton})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stripChart, 1);
    layout->addLayout(value);
    layout->addLayout(buttons);
    layout->addWidget(stopFlag);
    resize(720, 480);
}

void ChartWindow::stop() {
    stopFlag->setChecked(true);
    hide();
}

void ChartWindow::freeze() {
    stopFlag->setChecked(!stopFlag->isChecked());
}

void ChartWindow::closeEvent(QCloseEvent* event) {
    // Closed by its title bar, the window stops the display rather than leave it running unseen.
    stop();
    event->accept();
}

void ChartWindow::display(int code, const DisplayItem& item, const QString& what) {
    operations_.run(what, [&] {
        stripChart->reset();
        stripChart->setUp();
        stopFlag->setChecked(false);
        QWidget::show();
        raise();
        display_.begin();
        scan::ScanToolLink& link = operations_.link();
        const qint64 start = link.now();
        PollingRun(link).run([&] {
            if (stopFlag->isChecked())
                return false;
            show(display_.pass(code, item), double(link.now() - start) / 1000);
            return true;
        });
        hide();
    });
}

void ChartWindow::show(const RealtimeFrame& frame, double seconds) {
    stripChart->setYRange(frame.lower, frame.upper);
    stripChart->setYTitle(frame.yTitle);
    valueCaption->setText(frame.description);
    valueBox->setText(frame.valueText);
    if (frame.point)
        stripChart->addPoint(seconds, *frame.point);
}

} // namespace monitor
