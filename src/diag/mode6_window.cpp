// SPDX-License-Identifier: GPL-3.0-or-later
#include "mode6_window.h"

#include "core/named.h"

#include "mode6_result.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace diag {

using core::named;

namespace {

QLineEdit* box(const char* name, const QString& text = {}, bool readOnly = false) {
    auto* edit = named(new QLineEdit(text), name);
    edit->setReadOnly(readOnly);
    return edit;
}

// A caption box: text the user reads (and may click for help), not edits.
QLineEdit* caption(const char* name, const QString& text) {
    auto* edit = box(name, text, true);
    edit->setFrame(false);
    edit->setFocusPolicy(Qt::NoFocus);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
    return edit;
}

void message(core::Prompter& prompter, const QString& text) {
    prompter.message({text});
}

} // namespace

Mode6Window::Mode6Window(scan::ScanToolLink& link, scan::Driver& driver, core::Prompter& prompter,
                         core::BusyRunner runBusy, QWidget* parent)
    : QWidget(parent, Qt::Window), link_(link), prompter_(prompter), runBusy_(std::move(runBusy)),
      pass_(link, driver, prompter) {
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
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, &link_,
            &scan::ScanToolLink::cancel);
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

void Mode6Window::exchange(const QString& what, const std::function<void()>& work) {
    scan::ScanToolLink::Operation operation(link_);
    if (!operation.started()) {
        QApplication::beep();
        return;
    }
    Command1->setEnabled(false);
    Command2->setEnabled(false);
    if (runBusy_)
        runBusy_(what, work);
    else
        work();
    Command1->setEnabled(true);
    Command2->setEnabled(true);
}

bool Mode6Window::positive(scan::AnswerStatus status) {
    const QString what = QStringLiteral("on-board test");
    if (scan::endsOperation(status))
        Text11->setText(
            scan::interruptionText(status, QStringLiteral("The on-board test request")));
    else if (status != scan::AnswerStatus::Answered && status != scan::AnswerStatus::Refused)
        Text11->setText(scan::noAnswerText(status, what));
    else if (pass_.PassReply[3] != 0x46)
        Text11->setText(kNoResponseText);
    else
        return true;
    return false;
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
    exchange(QStringLiteral("Reading on-board test $%1").arg(*testId, 2, 16, QLatin1Char('0')),
             [&] {
                 if (!positive(pass_.PASS_MSG_OUT(0x06, *testId, *componentId, 6)))
                     return;
                 const std::optional<Mode6Result> result =
                     decodeTestResult(pass_.PassReply, Text5->text(), Text7->text());
                 if (!result) {
                     message(prompter_, kInputErrorText);
                     return;
                 }
                 Text16->setText(result->value);
                 (result->limitIsMinimum ? Text18 : Text20)->setText(result->limit);
                 Text14->setText(verdictText(result->pass));
                 QPalette palette = Text14->palette();
                 palette.setColor(QPalette::Base, verdictColour(result->pass));
                 palette.setColor(QPalette::Text, Qt::black);
                 Text14->setPalette(palette);
             });
}

void Mode6Window::Command2_Click() {
    Text11->clear();
    exchange(QStringLiteral("Scanning for supported on-board tests"), [&] {
        Combo1->clear(); // each scan lists what this one found, once
        if (positive(pass_.PASS_MSG_OUT(0x06, 0, 0, 5)))
            Combo1->addItems(supportedTestLines(pass_.PassReply));
    });
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
