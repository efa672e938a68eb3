// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/main_window_harness.h"
#include "support/qt_printers.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

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

} // namespace
