#include "midi/PortSwitch.h"
#include "midi/MidiOut.h"
#include "midi/RecordingPort.h"

#include <gtest/gtest.h>

namespace {
constexpr std::uint32_t kClose = CRecordingPort::kCloseMarker;

// The 32 messages that silence a port left: all sound off, then all notes off, channel by channel.
std::vector<std::uint32_t> Silence() {
    std::vector<std::uint32_t> messages;
    for (std::uint32_t nChannel = 0; nChannel < 16; ++nChannel) {
        messages.push_back(0x78B0u | nChannel);
        messages.push_back(0x7BB0u | nChannel);
    }
    return messages;
}

std::vector<std::uint32_t> Join(std::vector<std::uint32_t> a, const std::vector<std::uint32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Fixture {
    Fixture() {
        auto pBuiltIn = std::make_unique<CRecordingPort>();
        builtIn = pBuiltIn.get();
        auto pSwitch = std::make_unique<CPortSwitch>(std::move(pBuiltIn));
        portSwitch = pSwitch.get();
        portSwitch->SetLostHandler([this] { ++nLost; });
        out.SetPort(std::move(pSwitch));
        out.Reset();
    }
    // A system port that records; it stays the fixture's to look at after the switch took it.
    CRecordingPort* NewSystem(bool bFailOpen = false) {
        auto pPort = std::make_unique<CRecordingPort>();
        pPort->m_bFailOpen = bFailOpen;
        pending = std::move(pPort);
        return pending.get();
    }
    bool SelectPending() { return portSwitch->Select(std::move(pending)); }

    CMidiOut out;
    CRecordingPort* builtIn = nullptr;
    CPortSwitch* portSwitch = nullptr;
    std::unique_ptr<CRecordingPort> pending;
    int nLost = 0;
};
} // namespace

TEST(PortSwitch, SwitchingSilencesTheOldPortAndGivesTheNewOneTheLastPrograms) {
    Fixture f;
    f.out.ProgramChange(2, 40);
    f.out.ProgramChange(2, 41);
    f.out.ProgramChange(9, 0);
    f.out.NoteOn(2, 60, 127);
    f.builtIn->m_messages.clear();
    CRecordingPort* system = f.NewSystem();
    ASSERT_TRUE(f.SelectPending());
    EXPECT_EQ(f.builtIn->m_messages, Join(Silence(), {kClose}));
    // Channel 0 got program 0 from the device's reset at the start.
    EXPECT_EQ(system->m_messages, (std::vector<std::uint32_t>{0x00C0, 0x29C2, 0x00C9}));
    f.out.NoteOn(2, 61, 90);
    EXPECT_EQ(system->m_messages.back(), 0x5A3D92u);
    EXPECT_FALSE(f.portSwitch->IsBuiltIn());

    // And back: the system port is silenced, and stays open until the next Poll so that a
    // system can still deliver the silence; the built-in one is reopened.
    system->m_messages.clear();
    ASSERT_TRUE(f.portSwitch->Select(nullptr));
    EXPECT_EQ(system->m_messages, Silence());
    EXPECT_TRUE(system->IsOpen());
    f.portSwitch->Poll();
    EXPECT_EQ(f.portSwitch->GetSystem(), nullptr);
    EXPECT_TRUE(f.builtIn->IsOpen());
    EXPECT_EQ(f.builtIn->m_messages.back(), 0x00C9u);
    EXPECT_EQ(f.nLost, 0);
}

TEST(PortSwitch, APortThatDoesNotOpenChangesNothing) {
    Fixture f;
    f.builtIn->m_messages.clear();
    f.NewSystem(true);
    EXPECT_FALSE(f.SelectPending());
    EXPECT_TRUE(f.portSwitch->IsBuiltIn());
    EXPECT_TRUE(f.builtIn->m_messages.empty());
    EXPECT_TRUE(f.out.IsOpen());
    // Choosing the built-in port while it sounds sends nothing either.
    EXPECT_TRUE(f.portSwitch->Select(nullptr));
    EXPECT_TRUE(f.builtIn->m_messages.empty());
}

TEST(PortSwitch, ResetMidiReopensTheSystemPortInUse) {
    Fixture f;
    CRecordingPort* system = f.NewSystem();
    ASSERT_TRUE(f.SelectPending());
    system->m_messages.clear();
    EXPECT_TRUE(f.out.Reset());
    EXPECT_EQ(system->m_messages,
              (std::vector<std::uint32_t>{CRecordingPort::kResetMarker, kClose, 0x00C0}));
    EXPECT_EQ(system->m_nOpenCount, 2);
    EXPECT_FALSE(f.builtIn->IsOpen());
}
