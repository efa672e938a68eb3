// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/elm/elm_driver.h"
#include "link/elm/elm_port.h"
#include "link/in_process_transport.h"
#include "obd/pid_request.h"
#include "support/qt_printers.h"
#include "support/recording_link_view.h"
#include "support/scripted_elm_adapter.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Status = scan::AnswerStatus;

// The PID requests through the ELM327 driver on a scripted CAN adapter, connected.
struct OnCan {
    OnCan() {
        auto owned = std::make_unique<ScriptedElmAdapter>();
        adapter = owned.get();
        adapter->answerOnItsOwn = true;
        adapter->script("0100", {"7E8 06 41 00 BE 1F A8 13"});
        port = std::make_unique<scan::elm::ElmPort>(std::move(owned),
                                                    std::make_unique<scan::InProcessTransport>());
        QString error;
        port->open(error);
        link.setTransport(port.get(), "Com1");
        started = driver.start(3s).reached;
        adapter->sent.clear();
    }
    // A pass that reads `pids` (two hex digits each) after asking them ahead; each answer's
    // status and first ECU's bytes.
    QStringList pass(const QStringList& pids) {
        std::vector<int> codes;
        for (const QString& pid : pids)
            codes.push_back(pid.toInt(nullptr, 16));
        const obd::AskedAhead ahead(request, codes);
        QStringList shown;
        for (const QString& pid : pids) {
            const scan::ObdAnswer answer =
                request.askPid("01", pid, scan::pidDataBytes(pid.toInt(nullptr, 16)));
            shown << (answer.answered() ? answer.ecus().front().data.toHex().toUpper()
                                        : QString::number(int(answer.status())));
        }
        return shown;
    }
    bool several() const { return driver.capabilities().severalPids; }

    scan::LinkState state;
    RecordingLinkView view;
    ScriptedPrompter prompter;
    scan::ScanToolLink link{state, view, prompter};
    scan::elm::ElmDriver driver{link, view};
    obd::PidRequest request{link, driver, view};
    ScriptedElmAdapter* adapter;
    std::unique_ptr<scan::elm::ElmPort> port;
    bool started = false;
};

TEST(PidRequestTest, EachPidOfAnAnswerToSeveralGoesToItsOwnRequestInAnyOrder) {
    OnCan car;
    ASSERT_TRUE(car.started);
    // Reordered by the ECU, and longer than a frame.
    car.adapter->script("010C0D05", {"7E8 10 08 41 0D 32 05 82 0C", "7E8 21 1A F8 00 00 00 00 00"});
    EXPECT_EQ(car.pass({"0C", "0D", "05"}), QStringList({"410C1AF8", "410D32", "410582"}));
    EXPECT_EQ(car.adapter->sent, QStringList({"010C0D05"}));

    car.adapter->sent.clear();
    car.adapter->script("010C0D05", {"7E8 06 41 0C 1A F8 0D 32"});
    car.adapter->script("0105", {"7E8 03 41 05 82"});
    EXPECT_EQ(car.pass({"0C", "0D", "05", "0C"}),
              QStringList({"410C1AF8", "410D32", "410582", "410C1AF8"}))
        << "a PID left out is asked alone in the same pass, a PID asked twice once";
    EXPECT_EQ(car.adapter->sent, QStringList({"010C0D05", "0105"}));
    EXPECT_FALSE(car.several()) << "the ECU leaves out PIDs it has: one PID a request from now on";
    car.adapter->sent.clear();
    car.pass({"0C", "0D"});
    EXPECT_EQ(car.adapter->sent, QStringList({"010C", "010D"}));
    ASSERT_TRUE(car.driver.start(3s).reached);
    EXPECT_TRUE(car.several()) << "until the next connection";
}

TEST(PidRequestTest, APidNobodyAnswersOrADamagedAnswerKeepsSeveralPidsARequest) {
    OnCan car;
    ASSERT_TRUE(car.started);
    car.adapter->script("010C0D", {"7E8 04 41 0C 1A F8"});
    EXPECT_EQ(car.pass({"0C", "0D"}),
              QStringList({"410C1AF8", QString::number(int(Status::EcuTimeout))}));
    EXPECT_TRUE(car.several()) << "not answered alone either: the ECU does not have it";

    // Named twice: no answer for any PID, each asked alone after the driver's tries.
    car.adapter->sent.clear();
    car.adapter->script("010C0D", {"7E8 07 41 0C 1A F8 0C 1A F8"});
    car.adapter->script("010D", {"7E8 03 41 0D 32"});
    car.adapter->script("010C", {"7E8 04 41 0C 1A F8"});
    EXPECT_EQ(car.pass({"0C", "0D"}), QStringList({"410C1AF8", "410D32"}));
    EXPECT_EQ(car.adapter->sent, QStringList({"010C0D", "010C0D", "010C0D", "010C", "010D"}));
    EXPECT_TRUE(car.several());

    car.adapter->sent.clear();
    {
        scan::ScanToolLink::Operation operation(car.link);
        car.link.cancel();
        EXPECT_EQ(car.pass({"0C", "0D"}), QStringList(2, QString::number(int(Status::Stopped))));
    }
    EXPECT_TRUE(car.adapter->sent.isEmpty());
}

} // namespace
