#include "JackServer.h"

#include "midi/MidiOut.h"
#include "midi/PortSwitch.h"
#include "midi/RecordingPort.h"
#include "sound/RtMidiInput.h"
#include "sound/RtMidiPort.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>

// The program's output over a real MIDI system: a JACK server on the dummy driver, with
// jack_midi_dump (from Debian's jackd2) as the program at the other end printing what it gets.
class JackMidi : public ::testing::Test {
protected:
    static constexpr const char* kDumpPort = "vorkeln-dump:input";

    void SetUp() override {
        ASSERT_TRUE(m_jack.GetError().empty()) << m_jack.GetError();
        ASSERT_TRUE(m_jack.Start({"jack_midi_dump", "vorkeln-dump"}));
        ASSERT_TRUE(m_jack.WaitForPort(kDumpPort, true));
        auto pBuiltIn = std::make_unique<CRecordingPort>();
        m_pBuiltIn = pBuiltIn.get();
        auto pSwitch = std::make_unique<CPortSwitch>(std::move(pBuiltIn));
        m_pSwitch = pSwitch.get();
        m_pSwitch->SetLostHandler([this] { ++m_nLost; });
        m_out.SetPort(std::move(pSwitch));
        ASSERT_TRUE(m_out.Reset());
    }

    bool SelectDump() {
        return m_pSwitch->Select(std::make_unique<CRtMidiPort>(SMidiPortId{"jack", kDumpPort}));
    }

    CJackServer m_jack;
    CMidiOut m_out;
    CPortSwitch* m_pSwitch = nullptr;
    CRecordingPort* m_pBuiltIn = nullptr;
    int m_nLost = 0;
};

TEST_F(JackMidi, APlayedNoteArrivesAfterTheInstrumentsAndTheBuiltInPortFallsSilent) {
    m_out.ProgramChange(3, 25);
    m_pBuiltIn->m_messages.clear();
    ASSERT_TRUE(SelectDump());
    m_out.NoteOn(3, 60, 100);
    m_out.NoteOff(3, 60);
    // jack_midi_dump prints the bytes in hexadecimal, one message a line.
    EXPECT_TRUE(m_jack.WaitForLine("c0 00"));
    EXPECT_TRUE(m_jack.WaitForLine("c3 19"));
    EXPECT_TRUE(m_jack.WaitForLine("93 3c 64"));
    EXPECT_TRUE(m_jack.WaitForLine("83 3c 00"));
    // The port left: all sound off and all notes off on every channel, then closed.
    ASSERT_EQ(m_pBuiltIn->m_messages.size(), 33u);
    EXPECT_EQ(m_pBuiltIn->m_messages[0], 0x78B0u);
    EXPECT_EQ(m_pBuiltIn->m_messages[31], 0x7BBFu);
    EXPECT_EQ(m_pBuiltIn->m_messages[32], CRecordingPort::kCloseMarker);
}

TEST_F(JackMidi, GoingBackToTheBuiltInPortSilencesTheSystemPort) {
    ASSERT_TRUE(SelectDump());
    m_out.NoteOn(0, 64, 127);
    ASSERT_TRUE(m_pSwitch->Select(nullptr));
    EXPECT_TRUE(m_jack.WaitForLine("b0 78 00"));
    EXPECT_TRUE(m_jack.WaitForLine("bf 7b 00"));
    EXPECT_TRUE(m_pBuiltIn->IsOpen());
    m_out.NoteOn(0, 65, 127);
    EXPECT_EQ(m_pBuiltIn->m_messages.back(), 0x7F4190u);
}

TEST_F(JackMidi, APortThatVanishesFallsBackToTheBuiltInPort) {
    m_out.ProgramChange(2, 40);
    ASSERT_TRUE(SelectDump());
    m_pSwitch->Poll();
    EXPECT_EQ(m_nLost, 0);
    m_jack.StopLast();
    ASSERT_TRUE(m_jack.WaitForPort(kDumpPort, false));
    m_pBuiltIn->m_messages.clear();
    m_pSwitch->Poll();
    EXPECT_EQ(m_nLost, 1);
    EXPECT_TRUE(m_pSwitch->IsBuiltIn());
    EXPECT_EQ(m_pBuiltIn->m_messages, (std::vector<std::uint32_t>{0x00C0, 0x28C2}));
    // The device stays open: nothing tells of a device that cannot be opened.
    m_out.CheckPort();
    EXPECT_TRUE(m_out.IsOpen());
    m_pSwitch->Poll();
    EXPECT_EQ(m_nLost, 1);
}

TEST_F(JackMidi, APortThatIsGoneCannotBeChosen) {
    m_jack.StopLast();
    ASSERT_TRUE(m_jack.WaitForPort(kDumpPort, false));
    EXPECT_FALSE(SelectDump());
    EXPECT_TRUE(m_pSwitch->IsBuiltIn());
    EXPECT_TRUE(m_out.IsOpen());
}

TEST_F(JackMidi, AnInputHandsOverWhatAnotherProgramPlaysAndClosesWhenItGoes) {
    // jack_midiseq (from Debian's jackd2) plays middle C at velocity 64 in a loop.
    ASSERT_TRUE(m_jack.Start({"jack_midiseq", "vorkeln-seq", "24000", "0", "60", "8000"}));
    ASSERT_TRUE(m_jack.WaitForPort("vorkeln-seq:out", true));
    std::mutex mutex;
    std::condition_variable woken;
    int nWakes = 0;
    CRtMidiInput input(SMidiPortId{"jack", "vorkeln-seq:out"});
    ASSERT_TRUE(input.Open([&] {
        const std::lock_guard<std::mutex> lock(mutex);
        ++nWakes;
        woken.notify_all();
    }));
    std::vector<std::uint32_t> messages;
    const auto has = [&messages](std::uint32_t dwMsg) {
        return std::find(messages.begin(), messages.end(), dwMsg) != messages.end();
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(has(0x403C90) && has(0x403C80))) {
        std::unique_lock<std::mutex> lock(mutex);
        const int nSeen = nWakes;
        if (!woken.wait_until(lock, deadline, [&] { return nWakes != nSeen; })) {
            break;
        }
        lock.unlock();
        input.Drain(messages);
    }
    EXPECT_TRUE(has(0x403C90));
    EXPECT_TRUE(has(0x403C80));
    input.Poll();
    EXPECT_TRUE(input.IsOpen());
    m_jack.StopLast();
    ASSERT_TRUE(m_jack.WaitForPort("vorkeln-seq:out", false));
    input.Poll();
    EXPECT_FALSE(input.IsOpen());
}

TEST(AlsaMidi, TheSequencerIsThereOrThePartIsSkipped) {
    if (!std::filesystem::exists("/dev/snd/seq")) {
        GTEST_SKIP() << "no ALSA sequencer here (/dev/snd/seq is missing): its part is skipped";
    }
    // Every ALSA system has its "Midi Through" client; a note sent to it must go out.
    const std::vector<SMidiPortId> ports = CRtMidiPort::ListPorts();
    const auto it = std::find_if(ports.begin(), ports.end(), [](const SMidiPortId& id) {
        return id.m_api == "alsa" && id.m_name.find("Midi Through") != std::string::npos;
    });
    ASSERT_NE(it, ports.end());
    CPortSwitch portSwitch(std::make_unique<CRecordingPort>());
    ASSERT_TRUE(portSwitch.GetBuiltIn().Open());
    ASSERT_TRUE(portSwitch.Select(std::make_unique<CRtMidiPort>(*it)));
    portSwitch.SendShort(0x7F3C90);
    portSwitch.Poll();
    EXPECT_FALSE(portSwitch.IsBuiltIn());
}
