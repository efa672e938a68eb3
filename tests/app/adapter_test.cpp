// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/user_choices.h"
#include "support/main_window_harness.h"
#include "support/qt_printers.h"
#include "support/scripted_elm_adapter.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A car with five stored codes on CAN, reached through an ELM327 adapter on Com1.
std::unique_ptr<ScriptedElmAdapter> fiveCodeCar() {
    auto adapter = std::make_unique<ScriptedElmAdapter>();
    adapter->answerOnItsOwn = true;
    adapter->script("0100", {"7E8 06 41 00 80 10 00 00"});
    adapter->script("0101", {"7E8 06 41 01 85 07 65 00"});
    adapter->script("010C", {"7E8 04 41 0C 1A F8"});
    adapter->script("03", {"7E8 10 0C 43 05 03 00 01 71", "7E8 21 04 20 01 01 01 02 00"});
    adapter->script("07", {"7E8 02 47 00"});
    return adapter;
}

TEST(AdapterWindowTest, AdapterShowsItsIdentityOffersTheTestsListsEveryCodeAndCanBeLost) {
    MainWindowHarness h(sim::Profile::defaults(),
                        "P0300 Random/Multiple Cylinder Misfire Detected\r\n");
    h.simulatorPorts = {1};
    ScriptedElmAdapter* adapter = nullptr;
    h.elmAdapter = [&adapter] {
        auto made = fiveCodeCar();
        adapter = made.get();
        return made;
    };
    h.session->setAdapter(app::Adapter::Elm327);
    h.window->load();
    h.window->com1Action->trigger();
    ASSERT_EQ(h.window->statusBox->text(), "ECU Connected");
    EXPECT_EQ(h.window->firmwareCaption->text(), "F/W: ELM327 v1.5");
    EXPECT_FALSE(h.window->o2TestButton->isHidden()) << "Mode5 offered";
    EXPECT_TRUE(h.window->onBoardTestsAction->isEnabled());

    h.prompter.answers = {true};
    h.window->troubleCodesButton->click();
    const QString status = h.window->statusText();
    EXPECT_TRUE(status.startsWith("\nECU #=E8\nMIL is ON\nVehicle Reports  5 Stored"))
        << qPrintable(status);
    for (const char* code : {"TC1 -P0300", "TC2 -P0171", "TC3 -P0420", "TC4 -P0101", "TC5 -P0102"})
        EXPECT_TRUE(status.contains(code)) << code << "\n" << qPrintable(status);
    EXPECT_TRUE(status.contains("No Pending Codes to Report")) << qPrintable(status);

    emit adapter->lost(QStringLiteral("the adapter was unplugged"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !h.session->isConnected(); }, 2000));
}

TEST(AdapterWindowTest, ABusThatStaysInErrorEndsTheSurveyWithTheAdaptersWords) {
    MainWindowHarness h;
    h.simulatorPorts = {1};
    h.elmAdapter = [] {
        auto adapter = std::make_unique<ScriptedElmAdapter>();
        adapter->answerOnItsOwn = true;
        adapter->script("0100", {"7E8 06 41 00 BE 1F A8 13"});
        adapter->otherwise = {scan::elm::ElmAnswer::Kind::BusError, {}, "CAN ERROR"};
        return adapter;
    };
    h.session->setAdapter(app::Adapter::Elm327);
    h.window->load();
    h.window->com1Action->trigger();
    EXPECT_TRUE(h.window->statusText().contains(
        "No answer to the monitor status request (the adapter said: CAN ERROR).\n"
        "No answer to the fuel system status request (the adapter said: CAN ERROR).\n"
        "The survey was interrupted: the scan tool cannot reach the vehicle (the adapter said: "
        "CAN ERROR)."))
        << qPrintable(h.window->statusText());
}

TEST(AdapterChoiceTest, MenuPickIsRememberedAndTheBoxIsTheDefault) {
    MainWindowHarness h;
    EXPECT_TRUE(h.window->boxAdapterAction->isChecked());
    h.window->elm327AdapterAction->trigger();
    EXPECT_EQ(h.session->adapter(), app::Adapter::Elm327);
    EXPECT_EQ(app::savedAdapter(), app::Adapter::Elm327);
}

} // namespace
