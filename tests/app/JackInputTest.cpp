#include "JackServer.h"
#include "StandInDialogs.h"
#include "app/AppResources.h"
#include "app/DeviceManager.h"
#include "app/MainFrame.h"
#include "app/MainView.h"
#include "commands/CommandIds.h"
#include "midi/PortSwitch.h"
#include "midi/RecordingPort.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

// Another program plays into Vorkeln's input over a JACK server of the test's own: jack_midiseq
// (Debian's jackd2) strikes middle C at velocity 64 again and again. The notes reach the view on
// its own thread, sound on the instrument's channel, light the keyboard and are recorded.
TEST(JackInput, AnotherProgramsKeysSoundLightAndAreRecorded) {
    CJackServer jack;
    ASSERT_TRUE(jack.GetError().empty()) << jack.GetError();
    ASSERT_TRUE(jack.Start({"jack_midiseq", "vorkeln-seq", "24000", "0", "60", "8000"}));
    ASSERT_TRUE(jack.WaitForPort("vorkeln-seq:out", true));

    CAppResources::Init();
    CStandInDialogs dialogs;
    CMainFrame frame;
    auto pBuiltIn = std::make_unique<CRecordingPort>();
    CRecordingPort* pPort = pBuiltIn.get();
    auto pSwitch = std::make_unique<CPortSwitch>(std::move(pBuiltIn));
    CPortSwitch& portSwitch = *pSwitch;
    auto* pView = new CMainView(std::move(pSwitch), dialogs);
    pView->m_tickTimer.stop();
    frame.SetView(pView, pView);
    frame.show();
    // A violin on channel 1 is the instrument the keyboard plays.
    pView->SetControl(IPlayerControl::kControlAddTrack, 40);
    pView->m_nCurrentTrack = 1;
    pView->OnCommand(ID_TRACK_RECORD);
    pPort->m_messages.clear();

    CDeviceManager devices(portSwitch, nullptr, nullptr);
    devices.SetInputHandler(
        [pView](const std::vector<std::uint32_t>& messages) { pView->OnInputMessages(messages); });
    const std::vector<SMidiPortId> inputs = devices.ListInputs();
    ASSERT_NE(std::find(inputs.begin(), inputs.end(), SMidiPortId{"jack", "vorkeln-seq:out"}),
              inputs.end());
    ASSERT_TRUE(devices.SetInputOpen({"jack", "vorkeln-seq:out"}, true));

    bool bLit = false;
    const auto has = [pPort](std::uint32_t dwMsg) {
        return std::find(pPort->m_messages.begin(), pPort->m_messages.end(), dwMsg) !=
               pPort->m_messages.end();
    };
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&devices, &CDeviceManager::inputHandled, &loop, [&] {
        // Between a key's start and its end, once: it is lit while it sounds.
        bLit = bLit ||
               (has(0x403C91) && !has(0x3C81) && pView->m_grid.m_noteState[60].m_nChannel == 1);
        pView->OnTimerTick(); // the record clock moves on between the key's start and end
        if (has(0x403C91) && has(0x3C81)) {
            loop.quit();
        }
    });
    deadline.start(10000);
    loop.exec();
    EXPECT_TRUE(has(0x403C91));
    EXPECT_TRUE(has(0x3C81));
    EXPECT_TRUE(bLit);
    const CTrack* pTrack = pView->m_song.FindActiveTrack(1);
    ASSERT_NE(pTrack, nullptr);
    const auto it = std::find_if(pTrack->m_events.begin(), pTrack->m_events.end(),
                                 [](const CMidiEvent& event) { return event.m_status == 0x91; });
    ASSERT_NE(it, pTrack->m_events.end());
    EXPECT_EQ(it->m_data1, 60);
    EXPECT_EQ(it->m_data2, 64);
    EXPECT_GE(it->m_nLength, 1u);
}
