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
    iStripChartX1 = named(new StripChart(prompter), "iStripChartX1");
    lblValText = named(new QLabel, "lblValText");
    QFont big = lblValText->font();
    big.setPointSize(big.pointSize() + 3);
    lblValText->setFont(big);
    txbValue = named(new QLineEdit, "txbValue");
    txbValue->setReadOnly(true);
    txbValue->setFont(big);
    optFlag = named(new QRadioButton, "optFlag");
    optFlag->setAutoExclusive(false);
    optFlag->hide();
    Stop1 = named(new QPushButton(QStringLiteral("STOP")), "Stop1");
    cmdFreeze = named(new QPushButton(QStringLiteral("Freeze")), "cmdFreeze");
    cmdShowHideToolbar =
        named(new QPushButton(QStringLiteral("Show/Hide Toolbar")), "cmdShowHideToolbar");
    cmdResetChart = named(new QPushButton(QStringLiteral("Reset")), "cmdResetChart");
    cmdClearData = named(new QPushButton(QStringLiteral("Clear")), "cmdClearData");

    connect(Stop1, &QPushButton::clicked, this, &ChartWindow::Stop1_Click);
    connect(cmdFreeze, &QPushButton::clicked, this, &ChartWindow::cmdFreeze_Click);
    connect(cmdShowHideToolbar, &QPushButton::clicked, this,
            [this] { iStripChartX1->setToolbarVisible(!iStripChartX1->toolbarVisible()); });
    connect(cmdResetChart, &QPushButton::clicked, iStripChartX1, &StripChart::reset);
    connect(cmdClearData, &QPushButton::clicked, iStripChartX1, &StripChart::clearData);
    ui::onEscape(this, [this] { Stop1_Click(); });

    auto* value = new QHBoxLayout;
    value->addWidget(lblValText, 1);
    value->addWidget(txbValue, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdClearData, cmdResetChart, cmdShowHideToolbar, cmdFreeze, Stop1})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(iStripChartX1, 1);
    layout->addLayout(value);
    layout->addLayout(buttons);
    layout->addWidget(optFlag);
    resize(720, 480);
}

void ChartWindow::Stop1_Click() {
    optFlag->setChecked(true);
    hide();
}

void ChartWindow::cmdFreeze_Click() {
    optFlag->setChecked(!optFlag->isChecked());
}

void ChartWindow::closeEvent(QCloseEvent* event) {
    // Closed by its title bar, the window stops the display rather than leave it running unseen.
    Stop1_Click();
    event->accept();
}

void ChartWindow::display(int code, const DisplayItem& item, const QString& what) {
    operations_.run(what, [&] {
        iStripChartX1->reset();
        iStripChartX1->setUp();
        optFlag->setChecked(false);
        QWidget::show();
        raise();
        display_.begin();
        scan::ScanToolLink& link = operations_.link();
        const qint64 start = link.now();
        PollingRun(link).run([&] {
            if (optFlag->isChecked())
                return false;
            show(display_.pass(code, item), double(link.now() - start) / 1000);
            return true;
        });
        hide();
    });
}

void ChartWindow::show(const RealtimeFrame& frame, double seconds) {
    iStripChartX1->setYRange(frame.lower, frame.upper);
    iStripChartX1->setYTitle(frame.yTitle);
    lblValText->setText(frame.description);
    txbValue->setText(frame.valueText);
    if (frame.point)
        iStripChartX1->addPoint(seconds, *frame.point);
}

} // namespace monitor
