// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window.h"

#include "core/named.h"

#include "diag/trouble_code_definitions.h"
#include "keyword_colouring.h"
#include "tab_stop_guard.h"

#include <QApplication>
#include <QShortcut>

#include <QActionGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStringListModel>
#include <QTextEdit>
#include <QVBoxLayout>

namespace app {

using core::named;

namespace {

QFont fontOf(const char* family, int points, QFont::StyleHint hint = QFont::SansSerif) {
    QFont f(QLatin1String(family), points);
    f.setStyleHint(hint);
    return f;
}

QLabel* label(const char* name, const QString& text, const QFont& f) {
    auto* l = named(new QLabel(text), name);
    l->setFont(f);
    return l;
}

QPushButton* serviceButton(const char* name, const QString& caption) {
    auto* b = named(new QPushButton(caption), name);
    b->setMinimumHeight(30);
    return b;
}

QAction* entry(QMenu* menu, const char* name, const QString& caption) {
    auto* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    return a;
}

const QString kConnectHint = QStringLiteral("Choose the scan tool's port in the Connection menu.");

} // namespace

MainWindow::MainWindow(AppState& state, Services services, QWidget* parent)
    : QMainWindow(parent), state_(state), services_(std::move(services)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Vamrick V3.40"));
    buildControls();
    buildMenus();
    resize(1000, 680);
}

void MainWindow::attach(Session& session) {
    session_ = &session;
    connectMenus();
    connect(session_, &Session::linkLost, this, &MainWindow::scanToolLost);
    connect(session_, &Session::surveyFinished, this, &MainWindow::surveyFinished);
    connect(session_, &Session::connected, this, &MainWindow::showIdleHint);
}

void MainWindow::connectAdapterMenu() {
    (session_->adapter() == Adapter::Elm327 ? mnuAdapterElm327 : mnuAdapterBox)->setChecked(true);
    for (const auto& [action, adapter] :
         {std::pair{mnuAdapterBox, Adapter::Box}, std::pair{mnuAdapterElm327, Adapter::Elm327}}) {
        connect(action, &QAction::triggered, this, [this, adapter = adapter] {
            session_->setAdapter(adapter);
            saveAdapter(adapter);
        });
    }
}

void MainWindow::connectMenus() {
    const std::pair<QAction*, scan::Entry> commands[] = {
        {mnuConnectionCom1, scan::Entry::Com1}, {mnuConnectionCom2, scan::Entry::Com2},
        {mnuConnectionCom3, scan::Entry::Com3}, {mnuConnectionCom4, scan::Entry::Com4},
        {mnuConnectionComX, scan::Entry::ComX},
    };
    connectAdapterMenu();
    connect(mnuUSB, &QAction::triggered, this, &MainWindow::mnuUSB_Click);
    for (const auto& [action, entry] : commands) {
        const QString what = action == mnuConnectionComX
                                 ? QStringLiteral("Connecting to the scan tool")
                                 : QStringLiteral("Connecting on ") + action->text();
        connect(action, &QAction::triggered, this,
                [this, entry = entry, what] { connectWith(entry, what); });
    }
    connect(Mode1, &QPushButton::clicked, this, &MainWindow::Mode1_Click);
    connect(Mode2, &QPushButton::clicked, this, &MainWindow::Mode2_Click);
    connect(Mode3, &QPushButton::clicked, this, &MainWindow::Mode3_Click);
    connect(Mode4, &QPushButton::clicked, this, &MainWindow::Mode4_Click);
    connect(Mode5, &QPushButton::clicked, this, &MainWindow::Mode5_Click);
    connect(ChangeECU, &QPushButton::clicked, this, &MainWindow::ChangeECU_Click);
    connect(List1, &QListWidget::itemDoubleClicked, this, &MainWindow::List1_DblClick);
    connect(mnuDataLogLog, &QAction::triggered, this, &MainWindow::mnuDataLogLog_Click);
    connect(mnuMode6, &QAction::triggered, this, &MainWindow::mnuMode6_Click);
    connect(mnuAF, &QAction::triggered, this, &MainWindow::mnuAF_Click);
    connect(mnuFTM, &QAction::triggered, this, &MainWindow::mnuFTM_Click);
    connect(mnuWBO2, &QAction::triggered, this, &MainWindow::mnuWBO2_Click);
    // Escape stops the operation under way (the connection's wait for the vehicle among them).
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { session_->link().cancel(); });
}

void MainWindow::connectWith(scan::Entry entry, const QString& what) {
    if (session_->link().busy()) {
        QApplication::beep();
        return;
    }
    runBusy(what, [this, entry] { session_->connectScanTool(entry); });
}

void MainWindow::mnuUSB_Click() {
    connectWith(scan::Entry::USB, QStringLiteral("Waiting for the USB scan tool"));
}

void MainWindow::ChangeECU_Click() {
    if (session_->link().busy()) {
        ChangeECU->setChecked(!ChangeECU->isChecked()); // the click changes nothing
        QApplication::beep();
        return;
    }
    runBusy(QStringLiteral("Switching to the next ECU"), [this] { session_->changeEcu(); });
}

void MainWindow::runBusy(const QString& what, const std::function<void()>& work) {
    // Disabling the containers keeps each control's own state for when they are enabled again.
    Frame1->setEnabled(false);
    operationStarters_->setEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    statusBar()->showMessage(what + QStringLiteral("... Press Esc to stop."));
    work();
    QApplication::restoreOverrideCursor();
    operationStarters_->setEnabled(true);
    Frame1->setEnabled(true);
    showIdleHint();
}

void MainWindow::showIdleHint() {
    statusBar()->clearMessage();
    QString hint =
        session_->isConnected()
            ? QStringLiteral("Connected to the scan tool on %1.").arg(session_->connectedWhere())
            : kConnectHint;
    if (valuesFromLostLink_)
        hint += QStringLiteral(" The greyed values are values from before the link was lost.");
    statusHint_->setText(hint);
}

void MainWindow::markValuesFromLostLink(bool lost) {
    const bool anyValues =
        List1->count() > 0 || !Label6->text().isEmpty() || !Label7->text().isEmpty();
    valuesFromLostLink_ = lost && anyValues;
    QPalette list = List1->palette();
    list.setColor(QPalette::Text, valuesFromLostLink_ ? QColor(Qt::gray) : dataListColour_);
    List1->setPalette(list);
    for (QLabel* label : {Label6, Label7}) {
        QPalette caption = label->palette();
        caption.setColor(QPalette::WindowText, valuesFromLostLink_
                                                   ? QColor(Qt::gray)
                                                   : palette().color(QPalette::WindowText));
        label->setPalette(caption);
    }
    if (statusBar()->currentMessage().isEmpty())
        showIdleHint();
}

QAction* MainWindow::comEntry(int port) const {
    QAction* const entries[] = {mnuConnectionCom1, mnuConnectionCom2, mnuConnectionCom3,
                                mnuConnectionCom4};
    return port >= 1 && port <= 4 ? entries[port - 1] : mnuConnectionComX;
}

void MainWindow::scanToolLost(int lostPort) {
    setStatusBox(QColor(255, 0, 0), QStringLiteral("ECU Off-Line"));
    markValuesFromLostLink(true);
    for (QPushButton* b : {Mode1, Mode2, Mode3, Mode4, Mode5, ChangeECU})
        b->setEnabled(false);
    for (QAction* a : {mnuMode6, mnuDataLogLog, mnuAF, mnuFTM, mnuWBO2})
        a->setEnabled(false);
    // The lost port's own entry stays offered: the user plugs the scan tool back in and retries.
    scan::probe_com_ports(session_->ports(), *this);
    comEntry(lostPort)->setEnabled(true);
    mnuUSB->setEnabled(lostPort == 0 || mnuUSB->isEnabled());
    mnuConnectionComX->setEnabled(true);
    setConnectionMenuEnabled(true);
    appendStatusText(QStringLiteral("\r\nThe connection to the scan tool was lost. Choose its port "
                                    "in the Connection menu to connect again.\r\n"));
    showIdleHint();
}

void MainWindow::buildControls() {
    const QFont arial = fontOf("Arial", 9);
    textECU = named(new QTextEdit, "textECU");
    textECU->setFont(fontOf("Courier New", 10, QFont::TypeWriter));
    textECU->setAcceptRichText(false);
    new TabStopGuard(textECU);
    Label2 =
        label("Label2",
              QStringLiteral("Vehicle Test Status/Trouble Code Window           use the scroll "
                             "bar to see more data"),
              arial);
    List1 = named(new QListWidget, "List1");
    List1->setFont(fontOf("Courier", 10, QFont::TypeWriter));
    Label3 = label("Label3", QStringLiteral("Vehicle Data"), fontOf("Arial", 10));
    Label5 = label("Label5",
                   QStringLiteral("Vehicle Data Window, Double Click Item for Real Time Display"),
                   arial);
    List2 = named(new QListView, "List2");
    List2->setModel(new QStringListModel(List2));
    List2->hide(); // only a store for the definitions
    Text1 = named(new QLineEdit(QStringLiteral("ECU Not Ready")), "Text1");
    Text1->setReadOnly(true);
    Text1->setAlignment(Qt::AlignCenter);
    Text1->setFocusPolicy(Qt::NoFocus);
    Label1 = label("Label1", QStringLiteral("ECU Status"), arial);
    Label6 = label("Label6", QString(), fontOf("Arial Black", 10));
    Label7 = label("Label7", QString(), fontOf("Arial Black", 10));
    Label4 =
        label("Label4", QStringLiteral("Vamrick V3.40 - OBD-II diagnostics for passenger cars"),
              fontOf("Times New Roman", 9, QFont::Serif));
    Text2 = named(new QLineEdit, "Text2");
    Text2->setPlaceholderText(QStringLiteral("VIN or notes (printed first)"));
    // A widget of the status bar, so that menu status tips do not wipe it out.
    statusHint_ = named(new QLabel, "statusHint");
    statusBar()->addWidget(statusHint_, 1);
    for (QLabel* clickable : {Label1, Label3}) {
        clickable->setCursor(Qt::WhatsThisCursor);
        clickable->installEventFilter(this);
    }

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(buildControlPanel());
    splitter->addWidget(buildDataArea());
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    setCentralWidget(splitter);
}

QWidget* MainWindow::buildControlPanel() {
    Frame1 = named(new QGroupBox(QStringLiteral("Vamrick Control Panel")), "Frame1");
    Mode1 = serviceButton("Mode1", QStringLiteral("Request Current Powertrain Diagnostic Data"));
    Mode2 = serviceButton("Mode2", QStringLiteral("Get Freeze Frame Data"));
    Mode3 = serviceButton("Mode3", QStringLiteral("Request Diagnostic Trouble Codes"));
    Mode4 = serviceButton("Mode4", QStringLiteral("Clear/Reset Diagnostic Trouble Codes"));
    Mode5 = serviceButton("Mode5", QStringLiteral("O2 Sensor Test"));
    ChangeECU = serviceButton("ChangeECU", QStringLiteral("Change ECU"));
    ChangeECU->setCheckable(true); // its value flips with every use
    auto* buttons = new QVBoxLayout(Frame1);
    for (QPushButton* b : {Mode1, Mode2, Mode3, Mode4, Mode5, ChangeECU})
        buttons->addWidget(b);

    Command2 = named(new QPushButton(QStringLiteral("Print")), "Command2");
    Command1 = named(new QPushButton(QStringLiteral("Exit")), "Command1");
    connect(Command1, &QPushButton::clicked, this, &MainWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &MainWindow::Command2_Click);
    auto* commands = new QHBoxLayout;
    commands->addWidget(Command2);
    commands->addWidget(Command1);

    auto* panel = new QWidget;
    auto* column = new QVBoxLayout(panel);
    column->addWidget(Frame1);
    column->addSpacing(8);
    column->addWidget(Label1);
    column->addWidget(Text1);
    column->addWidget(Label6);
    column->addWidget(Label7);
    column->addStretch(1);
    column->addLayout(commands);
    column->addWidget(Label4);
    column->addWidget(List2);
    panel->setMinimumWidth(300);
    panel->setMaximumWidth(380);
    return panel;
}

QWidget* MainWindow::buildDataArea() {
    auto* status = new QWidget;
    auto* statusColumn = new QVBoxLayout(status);
    statusColumn->setContentsMargins(0, 0, 0, 0);
    statusColumn->addWidget(Label2);
    statusColumn->addWidget(textECU);

    auto* data = new QWidget;
    auto* dataColumn = new QVBoxLayout(data);
    dataColumn->setContentsMargins(0, 0, 0, 0);
    auto* heading = new QHBoxLayout;
    heading->addWidget(Label3);
    heading->addWidget(Text2, 1);
    dataColumn->addLayout(heading);
    dataColumn->addWidget(Label5);
    dataColumn->addWidget(List1);

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(status);
    split->addWidget(data);
    split->setChildrenCollapsible(false);
    split->setSizes({300, 340});
    return split;
}

void MainWindow::buildMenus() {
    mnuDataLog = named(menuBar()->addMenu(QStringLiteral("&Data Monitor and Log")), "mnuDataLog");
    mnuDataLogLog = entry(mnuDataLog, "mnuDataLogLog", QStringLiteral("&MultiView "));

    mnuCom = named(menuBar()->addMenu(QStringLiteral("&Connection")), "mnuCom");
    mnuUSB = entry(mnuCom, "mnuUSB", QStringLiteral("USB"));
    mnuConnectionCom1 = entry(mnuCom, "mnuConnectionCom1", QStringLiteral("Com1"));
    mnuConnectionCom2 = entry(mnuCom, "mnuConnectionCom2", QStringLiteral("Com2"));
    mnuConnectionCom3 = entry(mnuCom, "mnuConnectionCom3", QStringLiteral("Com3"));
    mnuConnectionCom4 = entry(mnuCom, "mnuConnectionCom4", QStringLiteral("Com4"));
    mnuConnectionComX = entry(mnuCom, "mnuConnectionComX", QStringLiteral("COM 5 thru 9"));
    mnuAdapter = named(mnuCom->addMenu(QStringLiteral("Adapter")), "mnuAdapter");
    mnuAdapterBox = entry(mnuAdapter, "mnuAdapterBox", QStringLiteral("Scan tool box"));
    mnuAdapterElm327 = entry(mnuAdapter, "mnuAdapterElm327", QStringLiteral("ELM327 adapter"));
    auto* adapters = new QActionGroup(this);
    for (QAction* a : {mnuAdapterBox, mnuAdapterElm327}) {
        a->setCheckable(true);
        adapters->addAction(a);
    }

    mnuMode6 = menuBar()->addAction(QStringLiteral("&Mode 6 Tests"));
    mnuMode6->setObjectName(QStringLiteral("mnuMode6"));

    mnuOptions = named(menuBar()->addMenu(QStringLiteral("&Options")), "mnuOptions");
    mnuFTM = entry(mnuOptions, "mnuFTM", QStringLiteral("&Fuel Trim Monitor"));
    mnuAF = entry(mnuOptions, "mnuAF", QStringLiteral("&Air/Fuel Ratio Meter"));
    mnuWBO2 = entry(mnuOptions, "mnuWBO2", QStringLiteral("WBO2 Calibration"));
    mnuUnits = named(mnuOptions->addMenu(QStringLiteral("&Units")), "mnuUnits");
    mnuUnitsEnglish = entry(mnuUnits, "mnuUnitsEnglish", QStringLiteral("&English"));
    mnuUnitsMetric = entry(mnuUnits, "mnuUnitsMetric", QStringLiteral("&Metric"));
    mnuDebugMode = entry(mnuOptions, "mnuDebugMode", QStringLiteral("&Debug Mode On/Off"));
    auto* units = new QActionGroup(this);
    for (QAction* a : {mnuUnitsEnglish, mnuUnitsMetric, mnuDebugMode})
        a->setCheckable(true);
    units->addAction(mnuUnitsEnglish);
    units->addAction(mnuUnitsMetric);
    mnuUnitsEnglish->setChecked(true);

    mnuHelp = named(menuBar()->addMenu(QStringLiteral("&Help")), "mnuHelp");
    mnuAbout = entry(mnuHelp, "mnuAbout", QStringLiteral("&About Vamrick"));
    connect(mnuAbout, &QAction::triggered, this, &MainWindow::showAbout);

    // The entries that start talking to the scan tool; disabled as one while an operation runs.
    operationStarters_ = new QActionGroup(this);
    operationStarters_->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    for (QAction* a :
         {mnuUSB, mnuConnectionCom1, mnuConnectionCom2, mnuConnectionCom3, mnuConnectionCom4,
          mnuConnectionComX, mnuDataLogLog, mnuMode6, mnuFTM, mnuAF, mnuWBO2})
        operationStarters_->addAction(a);

    connect(mnuUnitsEnglish, &QAction::triggered, this, &MainWindow::mnuUnitsEnglish_Click);
    connect(mnuUnitsMetric, &QAction::triggered, this, &MainWindow::mnuUnitsMetric_Click);
    connect(mnuDebugMode, &QAction::triggered, this, &MainWindow::mnuDebugMode_Click);
}

void MainWindow::Form_Load() {
    mnuWBO2->setEnabled(false);
    for (QPushButton* b : {Mode1, Mode2, Mode3, Mode4, Mode5})
        b->setEnabled(false);
    Mode5->hide();
    ChangeECU->setEnabled(false);
    state_.link.NoVehicleLink = false;
    state_.link.DebugMode = false;
    mnuDebugMode->setChecked(false);
    state_.survey.DataLogReady = false;
    state_.survey.WBO2PID = QStringLiteral("0");
    // Reports and logs never depend on what the window last used on this machine.
    useUnits(!services_.headless && savedMetricUnits());
    setStatusBox(QColor(255, 0, 0), QStringLiteral("ECU Off-Line"));
    for (QAction* a : {mnuDataLogLog, mnuMode6, mnuAF, mnuFTM})
        a->setEnabled(false);
    services_.definitions.load_tc_file(services_.definitionLocations, services_.prompter);
    static_cast<QStringListModel*>(List2->model())->setStringList(services_.definitions.lines());
    scan::ComPorts& ports = session_->ports();
    scan::probe_com_ports(ports, *this);
    for (int port = 1; port <= 4; ++port)
        comEntry(port)->setStatusTip(
            QStringLiteral("Connect to the scan tool on %1.").arg(ports.device(port)));
    mnuConnectionComX->setStatusTip(QStringLiteral("Choose one of COM5 to COM9 (%1 to %2).")
                                        .arg(ports.device(5), ports.device(9)));
    showIdleHint();
}

void MainWindow::Command1_Click() {
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    session_->link().shutDown(); // every wait in progress ends, so the program can leave
    if (frmUserCOM_)
        frmUserCOM_->close();
    event->accept();
    // Over USB the scan tool is given two seconds to let go before the program ends.
    const bool usb = session_->usbInUse();
    session_->releaseUsb();
    emit exitRequested(usb ? std::chrono::milliseconds(2000) : std::chrono::milliseconds(0));
}

void MainWindow::Command2_Click() {
    QStringList lines{Text2->text(), statusText()};
    for (int i = 0; i < List1->count(); ++i)
        lines << List1->item(i)->text();
    QString pdf;
    if (!services_.printer.hasPrinter()) {
        if (!services_.prompter.ask({QStringLiteral("No printer is set up on this computer. Save "
                                                    "the page as a PDF file instead?"),
                                     QStringLiteral("Print")}))
            return;
        pdf = services_.prompter.fileName(
            {QStringLiteral("Save as PDF"), QStringLiteral("PDF documents (*.pdf)")});
        if (pdf.isEmpty())
            return;
    }
    QString whyNot;
    if (!services_.printer.print(lines, pdf, whyNot))
        services_.prompter.message({QStringLiteral("Nothing was printed: ") + whyNot});
}

void MainWindow::Label1_Click() {
    services_.prompter.message(
        {QStringLiteral("Red=No coommunication with scan tool,\n"
                        "Yellow=Communication with scan tool, not with vehicle\n"
                        "Green=Communication with vehicle"),
         QStringLiteral("Vamrick V3.40"), core::Prompter::Icon::Information});
}

void MainWindow::Label3_Click() {
    services_.prompter.message(
        {QStringLiteral("VIN will be shown here if available and Scan F/W is 4.00 "
                        "or higher, user entry is also allowed"),
         QStringLiteral("Vamrick 3.40"), core::Prompter::Icon::Information});
}

void MainWindow::showAbout() {
    services_.prompter.message(
        {QStringLiteral("Vamrick 3.40 - OBD-II diagnostics for passenger cars\n\n"
                        "Built with Qt %1, running on Qt %2.\n\n"
                        "Licence: GNU General Public License, version 3 or (at your option) any "
                        "later version (GPL-3.0-or-later). There is no warranty.")
             .arg(QStringLiteral(QT_VERSION_STR), QString::fromLatin1(qVersion())),
         QStringLiteral("About Vamrick"), core::Prompter::Icon::Information});
}

void MainWindow::mnuUnitsEnglish_Click() {
    useUnits(false);
    saveMetricUnits(false);
}

void MainWindow::mnuUnitsMetric_Click() {
    useUnits(true);
    saveMetricUnits(true);
}

void MainWindow::useUnits(bool metric) {
    state_.decoder.MetricUnits = metric;
    (metric ? mnuUnitsMetric : mnuUnitsEnglish)->setChecked(true);
}

void MainWindow::mnuDebugMode_Click() {
    state_.link.DebugMode = !state_.link.DebugMode;
    mnuDebugMode->setChecked(state_.link.DebugMode);
    services_.prompter.message({state_.link.DebugMode
                                    ? QStringLiteral("Debug Mode is turned ON")
                                    : QStringLiteral("Debug Mode is turned OFF")});
}

void MainWindow::colour_textECU() {
    colourKeywords(*textECU);
}

void MainWindow::setStatusBox(const QColor& colour, const QString& text) {
    QPalette palette = Text1->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Text, Qt::black);
    Text1->setPalette(palette);
    Text1->setText(text);
}

void MainWindow::setLinkColour(scan::LinkColour colour) {
    setStatusBox(scan::toColor(colour), Text1->text());
}

void MainWindow::setLinkText(const QString& text) {
    Text1->setText(text);
}

void MainWindow::showOutOfReach(const QString& text) {
    Text1->setText(text);
    markValuesFromLostLink(true);
}

void MainWindow::appendStatusText(const QString& text) {
    QTextCursor end(textECU->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void MainWindow::setServiceButtonsEnabled(bool enabled) {
    for (QPushButton* b : {Mode1, Mode2, Mode3, Mode4, ChangeECU})
        b->setEnabled(enabled);
}

void MainWindow::showMode5() {
    Mode5->show();
}

void MainWindow::setEntryEnabled(scan::Entry entry, bool enabled) {
    QAction* const entries[] = {mnuUSB,
                                mnuConnectionCom1,
                                mnuConnectionCom2,
                                mnuConnectionCom3,
                                mnuConnectionCom4,
                                mnuConnectionComX};
    entries[int(entry)]->setEnabled(enabled);
}

void MainWindow::setConnectionMenuEnabled(bool enabled) {
    mnuCom->menuAction()->setEnabled(enabled);
}

void MainWindow::setMode6Enabled(bool enabled) {
    mnuMode6->setEnabled(enabled);
}

void MainWindow::setFirmwareCaption(const QString& caption) {
    Label7->setText(caption);
}

void MainWindow::toggleChangeEcu() {
    ChangeECU->setText(QStringLiteral("Toggle ECU"));
    ChangeECU->setChecked(!ChangeECU->isChecked());
}

void MainWindow::showPortChooser() {
    if (!frmUserCOM_)
        frmUserCOM_ = new ui::PortChooser(state_.link, this);
    frmUserCOM_->Form_Load();
    frmUserCOM_->show();
    frmUserCOM_->raise();
}

bool MainWindow::portChooserVisible() const {
    return frmUserCOM_ && frmUserCOM_->isVisible();
}

void MainWindow::runService(QPushButton* button, const QString& what,
                            const std::function<void()>& work) {
    if (session_->link().busy()) {
        button->setChecked(false);
        QApplication::beep();
        return;
    }
    // Pressed while the operation runs, an ordinary button otherwise.
    button->setCheckable(true);
    button->setChecked(true);
    runBusy(what, work);
    button->setChecked(false);
    button->setCheckable(false);
}

void MainWindow::Mode1_Click() {
    runService(Mode1, QStringLiteral("Reading the vehicle data"), [this] { session_->survey(); });
}

void MainWindow::Mode2_Click() {
    runService(Mode2, QStringLiteral("Reading the freeze frame"),
               [this] { session_->readFreezeFrame(); });
}

void MainWindow::Mode3_Click() {
    runService(Mode3, QStringLiteral("Reading the trouble codes"),
               [this] { session_->readCodes(); });
}

void MainWindow::Mode4_Click() {
    runService(Mode4, QStringLiteral("Clearing the trouble codes"),
               [this] { session_->clearCodes(); });
}

void MainWindow::clearDataList() {
    List1->clear();
    markValuesFromLostLink(false);
}

void MainWindow::addDataLine(const QString& line) {
    List1->addItem(line);
}

void MainWindow::setDataListColour(const QColor& colour) {
    dataListColour_ = colour;
    QPalette palette = List1->palette();
    palette.setColor(QPalette::Text, colour);
    List1->setPalette(palette);
}

void MainWindow::setEcuAddressCaption(const QString& caption) {
    Label6->setText(QString(caption).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void MainWindow::setDataLogMenuEnabled(bool enabled) {
    mnuDataLogLog->setEnabled(enabled);
}

void MainWindow::setAirFuelMenuEnabled(bool enabled) {
    mnuAF->setEnabled(enabled);
}

void MainWindow::setFuelTrimMenuEnabled(bool enabled) {
    mnuFTM->setEnabled(enabled);
}

void MainWindow::setWideRangeLogMenuEnabled(bool enabled) {
    mnuWBO2->setEnabled(enabled);
}

void MainWindow::colourStatusText() {
    colour_textECU();
}

void MainWindow::surveyFinished() {
    if (!services_.headless)
        show();
    Mode1->setChecked(false);
    Mode5->setEnabled(true);
}

QColor MainWindow::statusColour() const {
    return Text1->palette().color(QPalette::Base);
}

void MainWindow::setStatusText(const QString& text) {
    textECU->setCurrentCharFormat(
        QTextCharFormat()); // new text starts plain, whatever was coloured
    textECU->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

QString MainWindow::statusText() const {
    return textECU->toPlainText();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Label1)
            Label1_Click();
        else if (watched == Label3)
            Label3_Click();
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace app
