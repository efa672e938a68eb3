// SPDX-License-Identifier: GPL-3.0-or-later
#include "mode6_window.h"

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
    connect(Command1, &QPushButton::clicked, this, &Mode6Window::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Mode6Window::Command2_Click);
    // A test picked from the scan is the one to read.
    connect(Combo1, &QComboBox::textActivated, this,
            [this](const QString& test) { Text1->setText(test.trimmed()); });
    connect(mnuM6HLP, &QAction::triggered, this, &Mode6Window::mnuM6HLP_Click);
    for (QLineEdit* clickable : {Text2, Text4, Text6, Text8}) {
        clickable->setCursor(Qt::WhatsThisCursor);
        clickable->installEventFilter(this);
    }
    ui::onEscape(this, [this] { operations_.stop(); });
}

void Mode6Window::buildControls() {
    auto* menu = new QMenuBar(this);
    mnuM6HLP = menu->addAction(QStringLiteral("&Mode 6 Help"));
    mnuM6HLP->setObjectName(QStringLiteral("mnuM6HLP"));

    Text9 = caption("Text9", QStringLiteral("Mode 6: Request On-Board Monitoring Test Results for "
                                            "Non-Continuously Monitored Systems"));
    QFont bold = Text9->font();
    bold.setBold(true);
    Text9->setFont(bold);
    Text9->setAlignment(Qt::AlignCenter);

    Frame1 = named(new QGroupBox(QStringLiteral("Data Entry")), "Frame1");
    Text2 = caption("Text2", QStringLiteral("Test ID"));
    Text4 = caption("Text4", QStringLiteral("Component ID"));
    Text6 = caption("Text6", QStringLiteral("Scale Factor"));
    Text8 = caption("Text8", QStringLiteral("Units"));
    Text1 = box("Text1");
    Text3 = box("Text3");
    Text5 = box("Text5", QStringLiteral("1"));
    Text7 = box("Text7");
    Label1 = named(new QLabel(QStringLiteral("$= Hex")), "Label1");
    Label2 = named(new QLabel(QStringLiteral("$ = Hex")), "Label2");
    Text10 = caption("Text10", QStringLiteral("Enter Data then get results"));
    Command1 = named(new QPushButton(QStringLiteral("Get Test Results")), "Command1");
    auto* entry = new QGridLayout(Frame1);
    entry->addWidget(Text2, 0, 0);
    entry->addWidget(Text1, 0, 1);
    entry->addWidget(Label1, 1, 1);
    entry->addWidget(Text4, 2, 0);
    entry->addWidget(Text3, 2, 1);
    entry->addWidget(Label2, 3, 1);
    entry->addWidget(Text6, 4, 0);
    entry->addWidget(Text5, 4, 1);
    entry->addWidget(Text8, 5, 0);
    entry->addWidget(Text7, 5, 1);
    entry->addWidget(Text10, 6, 0, 1, 2);
    entry->addWidget(Command1, 7, 0, 1, 2);

    Frame2 = named(new QGroupBox(QStringLiteral("Test Results")), "Frame2");
    Text12 = caption("Text12", QStringLiteral("Returned Message"));
    Text15 = caption("Text15", QStringLiteral("Value"));
    Text13 = caption("Text13", QStringLiteral("Pass/Fail"));
    Text17 = caption("Text17", QStringLiteral("MIN"));
    Text19 = caption("Text19", QStringLiteral("MAX"));
    Text11 = box("Text11", {}, true);
    Text16 = box("Text16", {}, true);
    Text14 = box("Text14", {}, true);
    Text14->setAlignment(Qt::AlignCenter);
    Text18 = box("Text18", {}, true);
    Text20 = box("Text20", {}, true);
    auto* results = new QGridLayout(Frame2);
    const std::pair<QLineEdit*, QLineEdit*> rows[] = {
        {Text12, Text11}, {Text15, Text16}, {Text13, Text14}, {Text17, Text18}, {Text19, Text20}};
    int row = 0;
    for (const auto& [name, value] : rows) {
        results->addWidget(name, row, 0);
        results->addWidget(value, row++, 1);
    }
    results->setColumnStretch(1, 1);
    Text11->setMinimumWidth(250);

    Label3 = named(new QLabel(QStringLiteral("Supported Tests")), "Label3");
    Combo1 = named(new QComboBox, "Combo1");
    Command2 = named(new QPushButton(QStringLiteral("SCAN for supported tests")), "Command2");
    Label4 = named(new QLabel(QStringLiteral("Click labels for help on that item")), "Label4");
    auto* supported = new QVBoxLayout;
    supported->addWidget(Label3);
    supported->addWidget(Combo1);
    supported->addWidget(Command2);
    supported->addStretch(1);
    supported->addWidget(Label4);

    auto* columns = new QHBoxLayout;
    columns->addWidget(Frame1, 2);
    columns->addWidget(Frame2, 3);
    columns->addLayout(supported);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menu);
    layout->addWidget(Text9);
    layout->addLayout(columns);
    resize(900, 320);
}

void Mode6Window::clearResults() {
    for (QLineEdit* result : {Text11, Text14, Text16, Text18, Text20})
        result->clear();
    Text14->setPalette(QPalette());
}

bool Mode6Window::exchange(const QString& what, const std::function<void()>& work) {
    Command1->setEnabled(false);
    Command2->setEnabled(false);
    const bool ran = operations_.run(what, work);
    Command1->setEnabled(true);
    Command2->setEnabled(true);
    return ran;
}

void Mode6Window::Command1_Click() {
    clearResults();
    Text1->setText(dollarAsHex(Text1->text()));
    Text3->setText(dollarAsHex(Text3->text()));
    const std::optional<quint8> testId = idValue(Text1->text());
    const std::optional<quint8> componentId = idValue(Text3->text());
    if (!testId || !componentId) {
        message(prompter_, kInputErrorText);
        return;
    }
    Mode6Reading reading;
    if (!exchange(
            QStringLiteral("Reading on-board test $%1").arg(*testId, 2, 16, QLatin1Char('0')), [&] {
                reading =
                    tests_.readTestResult(*testId, *componentId, Text5->text(), Text7->text());
            }))
        return;
    if (!reading.returned.isEmpty())
        Text11->setText(reading.returned);
    else if (!reading.result)
        message(prompter_, kInputErrorText);
    else
        showResult(*reading.result);
}

void Mode6Window::showResult(const Mode6Result& result) {
    Text16->setText(result.value);
    (result.limitIsMinimum ? Text18 : Text20)->setText(result.limit);
    Text14->setText(verdictText(result.pass));
    ui::paint(Text14, {{QPalette::Base, verdictColour(result.pass)}, {QPalette::Text, Qt::black}});
}

void Mode6Window::Command2_Click() {
    Text11->clear();
    Mode6Scan scan;
    if (!exchange(QStringLiteral("Scanning for supported on-board tests"),
                  [&] { scan = tests_.scanSupportedTests(); }))
        return;
    Combo1->clear(); // each scan lists what this one found, once
    Combo1->addItems(scan.tests);
    Text11->setText(scan.returned);
}

void Mode6Window::mnuM6HLP_Click() {
    message(prompter_,
            QStringLiteral(" Mode 6 will allow access to the results of on-board diagnostic "
                           "monitoring\nA shop manual with the defined tests is required to get "
                           "meaningfull data"));
}

void Mode6Window::Text2_Click() {
    message(prompter_, QStringLiteral("Enter a value between 0 and 255 or $00 to $FF hex"));
}

void Mode6Window::Text4_Click() {
    message(prompter_, QStringLiteral("Enter a value between 0 and 255 "));
}

void Mode6Window::Text6_Click() {
    message(prompter_, QStringLiteral("The Scale Factor should be found in the shop manual\n"
                                      "Values can be any real number"));
}

void Mode6Window::Text8_Click() {
    message(prompter_,
            QStringLiteral("Units can be found in the shop manual, volts,amps, PSI, etc."));
}

bool Mode6Window::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        const std::pair<QObject*, void (Mode6Window::*)()> helps[] = {
            {Text2, &Mode6Window::Text2_Click},
            {Text4, &Mode6Window::Text4_Click},
            {Text6, &Mode6Window::Text6_Click},
            {Text8, &Mode6Window::Text8_Click}};
        for (const auto& [control, help] : helps) {
            if (watched == control)
                (this->*help)();
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace diag
