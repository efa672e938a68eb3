// SPDX-License-Identifier: GPL-3.0-or-later
#include "mode6_window.h"

#include <algorithm>

#include "ui/widgets.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace diag {

using ui::named;

namespace {

QLineEdit* box(const char* name, const QString& text = {}, bool readOnly = false) {
    auto* edit = named(new QLineEdit(text), name);
    edit->setReadOnly(readOnly);
    return edit;
}

QLineEdit* caption(const char* name, const QString& text) {
    return ui::captionBox(QString::fromLatin1(name), text);
}

void message(core::Prompter& prompter, const QString& text) {
    prompter.message({text});
}

} // namespace

Mode6Window::Mode6Window(Mode6Tests& tests, core::Prompter& prompter,
                         scan::OperationRunner& operations, QWidget* parent)
    : QWidget(parent, Qt::Window), tests_(tests), prompter_(prompter), operations_(operations) {
    setObjectName(QStringLiteral("frmMode6"));
    setWindowTitle(QStringLiteral("SAE-J1979 Service $06 "));
    buildControls();
    connect(getResultButton, &QPushButton::clicked, this, &Mode6Window::getTestResult);
    connect(scanButton, &QPushButton::clicked, this, &Mode6Window::scanSupportedTests);
    // A test picked from the scan is the one to read; on CAN a monitor, by its ID.
    connect(supportedTests, &QComboBox::activated, this, [this](int index) {
        const QVariant id = supportedTests->itemData(index);
        testIdBox->setText(id.isValid() ? id.toString()
                                        : supportedTests->itemText(index).trimmed());
    });
    connect(helpAction, &QAction::triggered, this, &Mode6Window::showHelp);
    for (QLineEdit* clickable : {testIdCaption, componentIdCaption, scaleCaption, unitsCaption}) {
        clickable->setCursor(Qt::WhatsThisCursor);
        clickable->installEventFilter(this);
    }
    ui::onEscape(this, [this] { operations_.stop(); });
}

void Mode6Window::buildControls() {
    auto* menu = new QMenuBar(this);
    helpAction = menu->addAction(QStringLiteral("&Mode 6 Help"));
    helpAction->setObjectName(QStringLiteral("mnuM6HLP"));

    headline =
        caption("Text9", QStringLiteral("Mode 6: Request On-Board Monitoring Test Results for "
                                        "Non-Continuously Monitored Systems"));
    QFont bold = headline->font();
    bold.setBold(true);
    headline->setFont(bold);
    headline->setAlignment(Qt::AlignCenter);

    entryFrame = named(new QGroupBox(QStringLiteral("Data Entry")), "Frame1");
    testIdCaption = caption("Text2", QStringLiteral("Test ID"));
    componentIdCaption = caption("Text4", QStringLiteral("Component ID"));
    scaleCaption = caption("Text6", QStringLiteral("Scale Factor"));
    unitsCaption = caption("Text8", QStringLiteral("Units"));
    testIdBox = box("Text1");
    componentIdBox = box("Text3");
    scaleBox = box("Text5", QStringLiteral("1"));
    unitsBox = box("Text7");
    testIdHexNote = named(new QLabel(QStringLiteral("$= Hex")), "Label1");
    componentIdHexNote = named(new QLabel(QStringLiteral("$ = Hex")), "Label2");
    entryHint = caption("Text10", QStringLiteral("Enter Data then get results"));
    getResultButton = named(new QPushButton(QStringLiteral("Get Test Results")), "Command1");
    auto* entry = new QGridLayout(entryFrame);
    entry->addWidget(testIdCaption, 0, 0);
    entry->addWidget(testIdBox, 0, 1);
    entry->addWidget(testIdHexNote, 1, 1);
    entry->addWidget(componentIdCaption, 2, 0);
    entry->addWidget(componentIdBox, 2, 1);
    entry->addWidget(componentIdHexNote, 3, 1);
    entry->addWidget(scaleCaption, 4, 0);
    entry->addWidget(scaleBox, 4, 1);
    entry->addWidget(unitsCaption, 5, 0);
    entry->addWidget(unitsBox, 5, 1);
    entry->addWidget(entryHint, 6, 0, 1, 2);
    entry->addWidget(getResultButton, 7, 0, 1, 2);

    resultsFrame = named(new QGroupBox(QStringLiteral("Test Results")), "Frame2");
    returnedCaption = caption("Text12", QStringLiteral("Returned Message"));
    valueCaption = caption("Text15", QStringLiteral("Value"));
    verdictCaption = caption("Text13", QStringLiteral("Pass/Fail"));
    minCaption = caption("Text17", QStringLiteral("MIN"));
    maxCaption = caption("Text19", QStringLiteral("MAX"));
    returnedBox = box("Text11", {}, true);
    valueBox = box("Text16", {}, true);
    verdictBox = box("Text14", {}, true);
    verdictBox->setAlignment(Qt::AlignCenter);
    minBox = box("Text18", {}, true);
    maxBox = box("Text20", {}, true);
    auto* results = new QGridLayout(resultsFrame);
    const std::pair<QLineEdit*, QLineEdit*> rows[] = {{returnedCaption, returnedBox},
                                                      {valueCaption, valueBox},
                                                      {verdictCaption, verdictBox},
                                                      {minCaption, minBox},
                                                      {maxCaption, maxBox}};
    int row = 0;
    for (const auto& [name, value] : rows) {
        results->addWidget(name, row, 0);
        results->addWidget(value, row++, 1);
    }
    results->setColumnStretch(1, 1);
    returnedBox->setMinimumWidth(250);

    supportedCaption = named(new QLabel(QStringLiteral("Supported Tests")), "Label3");
    supportedTests = named(new QComboBox, "Combo1");
    scanButton = named(new QPushButton(QStringLiteral("SCAN for supported tests")), "Command2");
    helpHint = named(new QLabel(QStringLiteral("Click labels for help on that item")), "Label4");
    auto* supported = new QVBoxLayout;
    supported->addWidget(supportedCaption);
    supported->addWidget(supportedTests);
    supported->addWidget(scanButton);
    supported->addStretch(1);
    supported->addWidget(helpHint);

    auto* columns = new QHBoxLayout;
    columns->addWidget(entryFrame, 2);
    columns->addWidget(resultsFrame, 3);
    columns->addLayout(supported);
    monitorTable = new MonitorTable(QStringLiteral("tblMonitors"));
    monitorTable->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menu);
    layout->addWidget(headline);
    layout->addLayout(columns);
    layout->addWidget(monitorTable, 1);
    resize(900, 320);
}

void Mode6Window::clearResults() {
    for (QLineEdit* result : {returnedBox, verdictBox, valueBox, minBox, maxBox})
        result->clear();
    verdictBox->setPalette(QPalette());
}

bool Mode6Window::exchange(const QString& what, const std::function<void()>& work) {
    getResultButton->setEnabled(false);
    scanButton->setEnabled(false);
    const bool ran = operations_.run(what, work);
    getResultButton->setEnabled(true);
    scanButton->setEnabled(true);
    return ran;
}

void Mode6Window::load() {
    const bool can = tests_.monitorsReadable();
    testIdCaption->setText(can ? QStringLiteral("Monitor ID") : QStringLiteral("Test ID"));
    entryHint->setText(can ? QStringLiteral("Enter a Monitor ID, or SCAN for all")
                           : QStringLiteral("Enter Data then get results"));
    // The table holds each test's value, limits and verdict.
    for (QWidget* unused : std::initializer_list<QWidget*>{
             componentIdCaption, componentIdBox, componentIdHexNote, scaleCaption, scaleBox,
             unitsCaption, unitsBox, valueCaption, valueBox, verdictCaption, verdictBox, minCaption,
             minBox, maxCaption, maxBox})
        unused->setEnabled(!can);
    if (can == monitorTable->isVisible())
        return;
    monitorTable->setVisible(can);
    if (can)
        resize(width(), std::max(height(), 620)); // room for the table under the entry boxes
}

void Mode6Window::getTestResult() {
    clearResults();
    if (tests_.monitorsReadable()) {
        readTypedMonitor();
        return;
    }
    testIdBox->setText(dollarAsHex(testIdBox->text()));
    componentIdBox->setText(dollarAsHex(componentIdBox->text()));
    const std::optional<quint8> testId = idValue(testIdBox->text());
    const std::optional<quint8> componentId = idValue(componentIdBox->text());
    if (!testId || !componentId) {
        message(prompter_, kInputErrorText);
        return;
    }
    Mode6Reading reading;
    if (!exchange(QStringLiteral("Reading on-board test $%1").arg(*testId, 2, 16, QLatin1Char('0')),
                  [&] {
                      reading = tests_.readTestResult(*testId, *componentId, scaleBox->text(),
                                                      unitsBox->text());
                  }))
        return;
    if (!reading.returned.isEmpty())
        returnedBox->setText(reading.returned);
    else if (!reading.result)
        message(prompter_, kInputErrorText);
    else
        showResult(*reading.result);
}

void Mode6Window::showResult(const Mode6Result& result) {
    valueBox->setText(result.value);
    (result.limitIsMinimum ? minBox : maxBox)->setText(result.limit);
    verdictBox->setText(verdictText(result.pass));
    ui::paint(verdictBox,
              {{QPalette::Base, verdictColour(result.pass)}, {QPalette::Text, Qt::black}});
}

void Mode6Window::scanSupportedTests() {
    returnedBox->clear();
    if (tests_.monitorsReadable()) {
        if (!exchange(QStringLiteral("Reading the on-board monitors"),
                      [&] { monitorScan_ = tests_.scanMonitors(); }))
            return;
        showMonitors();
        supportedTests->clear();
        for (const MonitorReading& reading : monitorScan_.monitors)
            supportedTests->addItem(hexId(reading.monitor) + QLatin1Char(' ') +
                                        monitorName(reading.monitor),
                                    hexId(reading.monitor));
        return;
    }
    Mode6Scan scan;
    if (!exchange(QStringLiteral("Scanning for supported on-board tests"),
                  [&] { scan = tests_.scanSupportedTests(); }))
        return;
    supportedTests->clear(); // each scan lists what this one found, once
    supportedTests->addItems(scan.tests);
    returnedBox->setText(scan.returned);
}

void Mode6Window::readTypedMonitor() {
    const std::optional<quint8> id = typedMonitorId(testIdBox->text());
    if (!id) {
        message(prompter_, QStringLiteral("Enter a Monitor ID from $01 to $FF, other than the "
                                          "support IDs $20, $40 ... $E0."));
        return;
    }
    MonitorReading reading;
    if (exchange(QStringLiteral("Reading the %1").arg(monitorName(*id)),
                 [&] { reading = tests_.readMonitor(*id); })) {
        monitorScan_ = {{reading}, {}};
        showMonitors();
    }
}

void Mode6Window::showMonitors() {
    monitorTable->showReadings(monitorScan_.monitors);
    returnedBox->setText(monitorScan_.message);
}

void Mode6Window::showHelp() {
    message(prompter_,
            QStringLiteral(" Mode 6 will allow access to the results of on-board diagnostic "
                           "monitoring\nA shop manual with the defined tests is required to get "
                           "meaningfull data"));
}

void Mode6Window::explainTestId() {
    message(prompter_, QStringLiteral("Enter a value between 0 and 255 or $00 to $FF hex"));
}

void Mode6Window::explainComponentId() {
    message(prompter_, QStringLiteral("Enter a value between 0 and 255 "));
}

void Mode6Window::explainScaleFactor() {
    message(prompter_, QStringLiteral("The Scale Factor should be found in the shop manual\n"
                                      "Values can be any real number"));
}

void Mode6Window::explainUnits() {
    message(prompter_,
            QStringLiteral("Units can be found in the shop manual, volts,amps, PSI, etc."));
}

bool Mode6Window::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        const std::pair<QObject*, void (Mode6Window::*)()> helps[] = {
            {testIdCaption, &Mode6Window::explainTestId},
            {componentIdCaption, &Mode6Window::explainComponentId},
            {scaleCaption, &Mode6Window::explainScaleFactor},
            {unitsCaption, &Mode6Window::explainUnits}};
        for (const auto& [control, help] : helps) {
            if (watched == control)
                (this->*help)();
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace diag
