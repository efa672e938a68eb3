// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/main_window_harness.h"
#include "support/qt_printers.h"
#include "support/scripted_elm_adapter.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace {

class O2WindowTest : public ::testing::Test {
protected:
    diag::Mode5Window& openOn(sim::Profile profile) {
        h = std::make_unique<MainWindowHarness>(std::move(profile));
        h->simulatorPorts = {1};
        h->window->load();
        h->window->com1Action->trigger();
        EXPECT_FALSE(h->window->o2TestButton->isHidden()) << "firmware 4.00 offers the O2 test";
        h->window->o2TestButton->click();
        h->sent.clear();
        return *h->window->tools().o2TestWindow();
    }
    static QColor base(const QLineEdit* box) { return box->palette().color(QPalette::Base); }
    static QColor text(const QLineEdit* box) { return box->palette().color(QPalette::Text); }

    std::unique_ptr<MainWindowHarness> h;
};

TEST_F(O2WindowTest, EachSensorShowsOnlyItsOwnResults) {
    diag::Mode5Window& m = openOn(sim::Profile::defaults());
    ASSERT_TRUE(m.isVisible());
    QStringList sensors;
    for (int i = 0; i < m.sensorList->count(); ++i)
        sensors << m.sensorList->itemText(i);
    EXPECT_EQ(sensors, QStringList({"Bank1, Sensor1", "Bank1, Sensor2", "Bank2, Sensor1",
                                    "Bank2, Sensor2"}));
    EXPECT_FALSE(m.getResultsButton->isEnabled()) << "no sensor chosen yet";

    m.sensorList->setCurrentIndex(2);
    m.getResultsButton->click();
    EXPECT_EQ(h->sent,
              QByteArrayList({"050010", "060010", "060110", "060210", "060510", "060610"}));
    EXPECT_EQ(m.resultBoxes[0]->text(), " .44 V");
    EXPECT_EQ(base(m.resultBoxes[0]), QColor(80, 255, 80));
    EXPECT_EQ(m.resultBoxes[4]->text() + m.minBoxes[0]->text() + m.maxBoxes[0]->text(),
              " .108 S .04 S .2 S");
    EXPECT_EQ(text(m.resultBoxes[5]), QColor(255, 0, 0)) << ".22 S is above its limit of .2 S";
    EXPECT_EQ(m.resultBoxes[2]->text(), "N/A");

    // A second press while the sequence runs is refused; the first one's request goes on.
    h->sent.clear();
    h->onCommand = [&](const QByteArray& command) {
        if (command == "060102")
            m.getTestResults();
    };
    m.sensorList->setCurrentIndex(1);
    m.getResultsButton->click();
    EXPECT_EQ(h->sent, QByteArrayList({"050002", "060002", "060102", "060202"}));
    EXPECT_EQ(m.resultBoxes[0]->text(), " .45 V");
    for (QLineEdit* box : {m.resultBoxes[4], m.minBoxes[0], m.maxBoxes[0], m.resultBoxes[5]})
        EXPECT_EQ(box->text(), "N/A") << "Bank2, Sensor1's results are gone";
    EXPECT_NE(text(m.resultBoxes[5]), QColor(255, 0, 0));
    EXPECT_TRUE(h->prompter.messages.empty());
    EXPECT_EQ(h->session->link().unanswered(), 0);

    m.dualExhaustAction->trigger();
    const diag::O2PictureWindow* picture = m.pictureWindow(diag::O2Picture::Kind::VDualExhaust);
    ASSERT_TRUE(picture && picture->isVisible());
    EXPECT_EQ(picture->windowTitle(),
              "O2 sensor locations for V engine, dual exhaust configuration");
    m.closeButton->click();
    EXPECT_FALSE(m.isVisible());
}

TEST_F(O2WindowTest, OnlyAnAnsweredMonitorStatusKeepsTheWindowClosed) {
    sim::Profile incomplete = sim::Profile::defaults();
    incomplete.ecus[0].pids[0x01] = QByteArray::fromHex("8227E525");
    diag::Mode5Window& m = openOn(incomplete);
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(h->prompter.messageTexts(),
              QStringList({"The O2 test results are not available until the O2 Sensor test has "
                           "completed. "}));

    h->simulator.injectFault(sim::Fault::Cut, -1, "0101");
    h->window->currentDataButton->click();
    h->prompter.messages.clear();
    h->window->o2TestButton->click();
    EXPECT_TRUE(m.isVisible()) << "nobody said the monitor had not completed";
    EXPECT_TRUE(h->prompter.messageTexts().isEmpty());
}

TEST(O2MonitorTest, EachSensorBitNamesItsMonitorInBothLayouts) {
    const quint8 twoBanks[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};  // PID $13
    const quint8 fourBanks[] = {0x01, 0x02, 0x05, 0x06, 0x09, 0x0A, 0x0D, 0x0E}; // PID $1D
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(diag::o2Monitor(1 << k, false), twoBanks[k]) << k;
        EXPECT_EQ(diag::o2Monitor(1 << k, true), fourBanks[k]) << k;
    }
}

// On CAN a sensor's tests are its on-board monitor's: a car with PID $1D's four banks, sensors
// at bank 1 and bank 3, through an ELM327 adapter.
TEST_F(O2WindowTest, OnCanTheSensorsMonitorFillsTheTestsAndTheTable) {
    h = std::make_unique<MainWindowHarness>();
    h->simulatorPorts = {1};
    ScriptedElmAdapter* adapter = nullptr;
    h->elmAdapter = [&adapter] {
        auto made = std::make_unique<ScriptedElmAdapter>();
        made->answerOnItsOwn = true;
        made->script("0100", {"7E8 06 41 00 80 00 00 08"});
        made->script("0101", {"7E8 06 41 01 00 07 65 00"});
        made->script("011D", {"7E8 03 41 1D 11"});
        made->script("0600", {"7E8 06 46 00 80 80 00 00"});
        // $09 TID $01 0.450 V in 0-1.100; TID $05 210 ms above its 200.
        made->script("0609", {"7E8 10 13 46 09 01 0B 01 C2", "7E8 21 00 00 04 4C 09 05 10",
                              "7E8 22 00 D2 00 28 00 C8 00"});
        adapter = made.get();
        return made;
    };
    h->session->setAdapter(app::Adapter::Elm327);
    h->window->load();
    h->window->com1Action->trigger();
    h->window->o2TestButton->click();
    diag::Mode5Window& m = *h->window->tools().o2TestWindow();
    ASSERT_TRUE(m.isVisible());
    ASSERT_EQ(m.sensorList->itemText(1), "Bank3, Sensor1");
    m.sensorList->setCurrentIndex(1);
    adapter->sent.clear();
    m.getResultsButton->click();
    EXPECT_EQ(adapter->sent, QStringList({"0600", "0609"}));
    EXPECT_EQ(m.resultBoxes[0]->text(), "0.450 V");
    EXPECT_EQ(base(m.resultBoxes[0]), QColor(80, 255, 80));
    EXPECT_EQ(m.resultBoxes[4]->text() + m.minBoxes[0]->text() + m.maxBoxes[0]->text(),
              "210 ms40200");
    EXPECT_EQ(text(m.resultBoxes[4]), QColor(255, 0, 0));
    ASSERT_EQ(m.monitorTable->rowCount(), 2);
    EXPECT_EQ(m.monitorTable->item(1, 1)->text(), "$05 Rich to Lean Sensor Switch Time");
    EXPECT_EQ(m.monitorTable->item(1, 5)->text(), "FAIL");
    EXPECT_TRUE(h->prompter.messages.empty());

    // A record cut short is no answer for the monitor: nothing of it is shown.
    adapter->script("0609", {"7E8 07 46 09 01 0B 01 C2 00"});
    m.getResultsButton->click();
    EXPECT_EQ(m.resultBoxes[0]->text(), "N/A");
    ASSERT_EQ(m.monitorTable->rowCount(), 1);
    EXPECT_EQ(m.monitorTable->item(0, 0)->text(), "O2 Sensor Monitor Bank 3 - Sensor 1");
    EXPECT_EQ(h->session->link().unanswered(), 1);
}

} // namespace
