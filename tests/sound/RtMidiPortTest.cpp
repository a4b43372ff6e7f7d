#include "sound/RtMidiPort.h"
#include "midi/MidiOut.h"
#include "sound/RtMidiInput.h"

#include <gtest/gtest.h>

TEST(RtMidiPort, AMissingPortFailsOpenAndIgnoresSends) {
    auto pPort = std::make_unique<CRtMidiPort>(SMidiPortId{"jack", "no such client:no port"});
    CRtMidiPort* pRaw = pPort.get();
    CMidiOut out(std::move(pPort));
    int nFailures = 0;
    out.SetOpenFailedHandler([&nFailures] { ++nFailures; });
    EXPECT_FALSE(out.Reset());
    EXPECT_EQ(nFailures, 1);
    EXPECT_FALSE(pRaw->IsOpen());
    pRaw->SendShort(0x7F3C90);
    pRaw->Reset();
    pRaw->Poll();
    out.Close();
}

TEST(RtMidiPort, AnUnknownMidiSystemNeverOpens) {
    for (const char* pszApi : {"", "nonesuch", "dummy"}) {
        CRtMidiPort port(SMidiPortId{pszApi, "a port"});
        EXPECT_FALSE(port.Open()) << pszApi;
    }
}

TEST(MidiPortId, KeysAndNames) {
    struct SCase {
        const char* pszKey;
        SMidiPortId id; // empty: refused
    };
    const SCase cases[] = {
        {"jack/vorkeln-dump:input", {"jack", "vorkeln-dump:input"}},
        {"alsa/Midi Through:Midi Through Port-0 14:0",
         {"alsa", "Midi Through:Midi Through Port-0 14:0"}},
        {"alsa/a/b", {"alsa", "a/b"}},
        {"", {}},
        {"jack", {}},
        {"/name", {}},
        {"jack/", {}},
    };
    for (const SCase& c : cases) {
        const SMidiPortId id = SMidiPortId::Parse(c.pszKey);
        EXPECT_EQ(id, c.id) << c.pszKey;
        if (!id.IsEmpty()) {
            EXPECT_EQ(id.ToKey(), c.pszKey);
        }
    }
    EXPECT_EQ((SMidiPortId{"alsa", "X:Y 14:0"}.GetDisplayName()), "ALSA: X:Y 14:0");
}

TEST(MidiPortId, AnAlsaPortMatchesAfterItsClientWasNumberedAnew) {
    struct SCase {
        SMidiPortId a;
        SMidiPortId b;
        bool bMatch;
    };
    const SCase cases[] = {
        {{"alsa", "Synth:Synth Port 128:0"}, {"alsa", "Synth:Synth Port 130:0"}, true},
        {{"alsa", "Synth:Synth Port 128:0"}, {"alsa", "Synth:Other Port 128:0"}, false},
        {{"alsa", "Synth:Synth Port 128:0"}, {"jack", "Synth:Synth Port 128:0"}, false},
        {{"jack", "a:in"}, {"jack", "a:in"}, true},
        {{"jack", "a:in 1:2"}, {"jack", "a:in"}, true},
        {{"jack", "a:in1:2"}, {"jack", "a:in"}, false},
        {{"jack", "12:0"}, {"jack", "13:0"}, false},
    };
    for (const SCase& c : cases) {
        EXPECT_EQ(c.a.Matches(c.b), c.bMatch) << c.a.m_name << " / " << c.b.m_name;
    }
}

TEST(RtMidiInput, OnlyWholeChannelMessagesWaitAndTheOwnerIsWokenOncePerBatch) {
    struct SCase {
        std::vector<unsigned char> bytes;
        std::vector<std::uint32_t> expected;
    };
    const SCase cases[] = {
        {{0x90, 60, 100}, {0x643C90}},
        {{0xC3, 5}, {0x05C3}},
        {{0xD3, 5}, {0x05D3}},
        {{0xE0, 0x7F, 0x7F}, {0x7F7FE0}},
        {{0x90, 60}, {}},         // cut short
        {{0xF8}, {}},             // clock
        {{0xF0, 1, 2, 0xF7}, {}}, // system exclusive
        {{0x3C, 100}, {}},        // running status
        {{}, {}},
        {{0x80, 0xBC, 0xFF}, {0x7F3C80}}, // data bytes kept to seven bits
    };
    CRtMidiInput input(SMidiPortId{"jack", "nowhere:out"});
    for (const SCase& c : cases) {
        input.Receive(c.bytes.data(), c.bytes.size());
        std::vector<std::uint32_t> messages;
        input.Drain(messages);
        EXPECT_EQ(messages, c.expected);
    }
    EXPECT_FALSE(input.Open(nullptr));
}
