// SPDX-License-Identifier: GPL-3.0-or-later
#include "mode5_window.h"

#include "ui/widgets.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace diag {

using ui::named;

namespace {

const QString kNotAvailable = QStringLiteral("N/A");
const QColor kLightGreen(80, 255, 80);
const QColor kFailure(255, 0, 0);

QLineEdit* resultBox(const QString& name) {
    auto* box = ui::displayBox(name, kNotAvailable);
    box->setFixedWidth(90);
    return box;
}

} // namespace

Mode5Window::Mode5Window(O2Tests& tests, core::Prompter& prompter,
                         scan::OperationRunner& operations, QWidget* parent)
    : QWidget(parent, Qt::Window), tests_(tests), prompter_(prompter), operations_(operations) {
    setObjectName(QStringLiteral("frmMode5"));
    setWindowTitle(QStringLiteral("O2 Sensor Test"));
    buildControls();
    buildMenus();
}

void Mode5Window::buildControls() {
    sensorList = named(new QComboBox, QStringLiteral("cbo02list"));
    sensorList->setMinimumWidth(160);
    getResultsButton =
        named(new QPushButton(QStringLiteral("Get Test Results")), QStringLiteral("Command3"));
    closeButton = named(new QPushButton(QStringLiteral("EXIT")), QStringLiteral("Command1"));
    thumbnail = named(new O2Picture(O2Picture::Kind::Thumbnail), QStringLiteral("Picture1"));
    thumbnail->setFixedSize(thumbnail->sizeHint());
    connect(sensorList, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            getResultsButton->setEnabled(true);
    });
    connect(getResultsButton, &QPushButton::clicked, this, &Mode5Window::getTestResults);
    connect(closeButton, &QPushButton::clicked, this, &Mode5Window::quit);
    ui::onEscape(this, [this] { operations_.stop(); });

    auto* choice = new QGridLayout;
    choice->addWidget(
        named(new QLabel(QStringLiteral("Select O2 Sensor")), QStringLiteral("lblSelect")), 0, 0);
    choice->addWidget(sensorList, 1, 0);
    choice->addWidget(getResultsButton, 1, 1);
    choice->addWidget(thumbnail, 0, 2, 2, 1, Qt::AlignRight);
    choice->setColumnStretch(2, 1);

    QFont bold = font();
    bold.setBold(true);
    auto* heading =
        named(new QLabel(QStringLiteral("O2 Sensor Test Results")), QStringLiteral("lblResults"));
    heading->setFont(bold);
    auto* table = new QGridLayout;
    table->addWidget(heading, 0, 0);
    table->addWidget(named(new QLabel(QStringLiteral("Min Limit")), QStringLiteral("lblMin")), 0, 2,
                     Qt::AlignCenter);
    table->addWidget(named(new QLabel(QStringLiteral("Max Limit")), QStringLiteral("lblMax")), 0, 3,
                     Qt::AlignCenter);
    for (const O2Test& test : o2TestTable()) {
        const int i = test.id - 1;
        const QString number = QStringLiteral("%1").arg(test.id, 2, 10, QLatin1Char('0'));
        testLabels[i] =
            named(new QLabel(QLatin1String(test.label)), QStringLiteral("lblT") + number);
        resultBoxes[i] = resultBox(QStringLiteral("txtT") + number);
        table->addWidget(testLabels[i], test.id, 0);
        table->addWidget(resultBoxes[i], test.id, 1);
        if (test.limits) {
            minBoxes[i - 4] = resultBox(QStringLiteral("txtT%1min").arg(number));
            maxBoxes[i - 4] = resultBox(QStringLiteral("txtT%1max").arg(number));
            table->addWidget(minBoxes[i - 4], test.id, 2);
            table->addWidget(maxBoxes[i - 4], test.id, 3);
        }
    }

    auto* red = named(new QLabel(QStringLiteral("RED")), QStringLiteral("lblRed"));
    red->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0); font-weight: bold"));
    auto* footer = new QHBoxLayout;
    footer->addWidget(named(new QLabel(QStringLiteral("Results in")), QStringLiteral("lblIn")));
    footer->addWidget(red);
    footer->addWidget(
        named(new QLabel(QStringLiteral(" Indicate Failure")), QStringLiteral("lblFailure")));
    footer->addStretch(1);
    footer->addWidget(closeButton);

    monitorTable = new MonitorTable(QStringLiteral("tblMonitorTests"));
    monitorTable->setColumnHidden(0, true); // the chosen sensor's monitor
    monitorTable->hide();

    auto* column = new QVBoxLayout(this);
    column->addLayout(choice);
    column->addSpacing(10);
    column->addLayout(table);
    column->addWidget(monitorTable, 1);
    column->addSpacing(10);
    column->addLayout(footer);
}

void Mode5Window::buildMenus() {
    auto* bar = new QMenuBar(this);
    testGraphAction = bar->addAction(QStringLiteral("O2 Graph"));
    testGraphAction->setObjectName(QStringLiteral("mnuO2graph"));
    locationsMenu =
        named(bar->addMenu(QStringLiteral("O2 Locations")), QStringLiteral("mnuLocations"));
    dualExhaustAction = locationsMenu->addAction(QStringLiteral("V6,8,10 and 12 Dual Exhaust"));
    dualExhaustAction->setObjectName(QStringLiteral("mnuV8"));
    singleExhaustAction = locationsMenu->addAction(QStringLiteral("V6,8,10, 12 Single Exhaust"));
    singleExhaustAction->setObjectName(QStringLiteral("mnuSingle"));
    inlineFourAction = locationsMenu->addAction(QStringLiteral("4 Cyliner (straight) "));
    inlineFourAction->setObjectName(QStringLiteral("mnu4cyl"));
    layout()->setMenuBar(bar);
    connect(testGraphAction, &QAction::triggered, this, &Mode5Window::showTestGraph);
    connect(dualExhaustAction, &QAction::triggered, this, &Mode5Window::showDualExhaust);
    connect(singleExhaustAction, &QAction::triggered, this, &Mode5Window::showSingleExhaust);
    connect(inlineFourAction, &QAction::triggered, this, &Mode5Window::showInlineFour);
}

bool Mode5Window::load() {
    sensorList->clear();
    sensorCodes_.clear();
    for (const O2Sensor& sensor : tests_.sensors()) {
        sensorList->addItem(sensor.line);
        sensorCodes_.append(sensor.code);
    }
    // Filling the list selects its first line; the user is to pick one.
    sensorList->setCurrentIndex(-1);
    getResultsButton->setEnabled(false);
    clearResults();
    outcome_ = {};
    loadMessage_.clear();
    monitorTable->setVisible(tests_.fromMonitors());
    if (tests_.fromMonitors())
        resize(size().expandedTo({700, 640})); // room for the table of every test
    if (tests_.monitorIncomplete()) {
        loadMessage_ = QStringLiteral("The O2 test results are not available until the O2 Sensor "
                                      "test has completed. ");
        prompter_.message({loadMessage_});
        hide();
        return false;
    }
    return true;
}

void Mode5Window::getTestResults() {
    const int p = sensorList->currentIndex();
    if (p < 0 || p >= sensorCodes_.size())
        return;
    getResultsButton->setEnabled(false);
    const bool ran = operations_.run(
        QStringLiteral("Reading the O2 sensor test results of ") + sensorList->currentText(), [&] {
            clearResults();
            outcome_ = tests_.readTestResults(sensorCodes_[p]);
        });
    getResultsButton->setEnabled(true);
    if (!ran)
        return;
    showResults(outcome_);
    if (!outcome_.message.isEmpty())
        prompter_.message({outcome_.message});
}

void Mode5Window::clearResults() {
    monitorTable->setRowCount(0);
    for (QLineEdit* box : resultBoxes) {
        box->setText(kNotAvailable);
        box->setPalette(QPalette());
    }
    for (const auto& limits : {minBoxes, maxBoxes}) {
        for (QLineEdit* box : limits)
            box->setText(kNotAvailable);
    }
}

void Mode5Window::showResults(const O2TestOutcome& outcome) {
    if (outcome.monitor)
        monitorTable->showReadings({*outcome.monitor});
    for (const O2TestResult& result : outcome.results) {
        QLineEdit* value = resultBoxes[result.id - 1];
        value->setText(result.value);
        if (result.highlighted)
            ui::paint(value, {{QPalette::Base, kLightGreen}, {QPalette::Text, Qt::black}});
        else if (result.failed)
            ui::paint(value, {{QPalette::Text, kFailure}});
        if (result.id >= 5 && result.answered) {
            minBoxes[result.id - 5]->setText(result.min);
            maxBoxes[result.id - 5]->setText(result.max);
        }
    }
}

void Mode5Window::quit() {
    hide();
}

void Mode5Window::closeEvent(QCloseEvent* event) {
    quit();
    event->accept();
}

O2PictureWindow* Mode5Window::pictureWindow(O2Picture::Kind kind) const {
    return std::size_t(kind) < pictures_.size() ? pictures_[std::size_t(kind)].data() : nullptr;
}

void Mode5Window::showPicture(O2Picture::Kind kind) {
    QPointer<O2PictureWindow>& window = pictures_[std::size_t(kind)];
    if (!window) {
        window = new O2PictureWindow(kind, this);
        window->resize(window->sizeHint().expandedTo(QSize(760, 520)));
    }
    window->show();
    window->raise();
}

void Mode5Window::showTestGraph() {
    showPicture(O2Picture::Kind::TestDefinitions);
}

void Mode5Window::showDualExhaust() {
    showPicture(O2Picture::Kind::VDualExhaust);
}

void Mode5Window::showSingleExhaust() {
    showPicture(O2Picture::Kind::VSingleExhaust);
}

void Mode5Window::showInlineFour() {
    showPicture(O2Picture::Kind::InlineFour);
}

} // namespace diag
