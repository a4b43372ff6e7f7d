#include "midi/MidiOut.h"
#include "midi/MessageBacklog.h"
#include "midi/RecordingPort.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {
struct Fixture {
    Fixture() {
        auto pPort = std::make_unique<CRecordingPort>();
        port = pPort.get();
        out.SetPort(std::move(pPort));
        out.SetOpenFailedHandler([this] { ++nFailures; });
    }
    CMidiOut out;
    CRecordingPort* port = nullptr;
    int nFailures = 0;
};
} // namespace

TEST(MidiOut, PacksShortMessagesWithTheirOwnStatus) {
    Fixture f;
    ASSERT_TRUE(f.out.Reset());
    f.out.NoteOn(3, 60, 127);
    f.out.NoteOff(3, 60);
    f.out.ProgramChange(9, 25);
    f.out.SendShort(0x402AB1);
    EXPECT_EQ(f.port->m_messages,
              (std::vector<std::uint32_t>{0xC0, 0x7F3C93, 0x003C83, 0x19C9, 0x402AB1}));
    EXPECT_EQ(f.nFailures, 0);
}

TEST(MidiOut, ReopeningSilencesAndClosesTheOldDeviceFirst) {
    Fixture f;
    f.out.Reset();
    f.out.NoteOn(0, 60, 127);
    f.port->m_messages.clear();
    f.out.Reset();
    EXPECT_EQ(f.port->m_messages, (std::vector<std::uint32_t>{CRecordingPort::kResetMarker,
                                                              CRecordingPort::kCloseMarker, 0xC0}));
    EXPECT_EQ(f.port->m_nOpenCount, 2);
    f.port->m_messages.clear();
    f.out.Close();
    f.out.Close();
    EXPECT_EQ(f.port->m_messages, (std::vector<std::uint32_t>{CRecordingPort::kResetMarker,
                                                              CRecordingPort::kCloseMarker}));
}

TEST(MidiOut, EveryFailedOpenIsReportedAndSendsAreIgnored) {
    Fixture f;
    f.port->m_bFailOpen = true;
    EXPECT_FALSE(f.out.Reset());
    EXPECT_FALSE(f.out.Reset());
    EXPECT_EQ(f.nFailures, 2);
    f.out.NoteOn(0, 60, 127);
    EXPECT_TRUE(f.port->m_messages.empty());
    EXPECT_FALSE(f.out.IsOpen());

    f.port->m_bFailOpen = false;
    EXPECT_TRUE(f.out.Reset());
    EXPECT_EQ(f.nFailures, 2);
}

TEST(MidiOut, WithoutAPortOpenFailsQuietly) {
    CMidiOut out;
    int nFailures = 0;
    out.SetOpenFailedHandler([&nFailures] { ++nFailures; });
    EXPECT_FALSE(out.Open());
    out.NoteOn(0, 60, 127);
    out.Close();
    EXPECT_EQ(nFailures, 1);
}

TEST(MidiOut, APortThatStopsSoundingIsReportedOnceAndClosed) {
    Fixture f;
    ASSERT_TRUE(f.out.Reset());
    f.out.CheckPort();
    EXPECT_EQ(f.nFailures, 0);
    f.port->Break();
    const int nClosed = f.port->m_nCloseCount;
    f.out.CheckPort();
    f.out.CheckPort();
    EXPECT_EQ(f.nFailures, 1);
    EXPECT_EQ(f.port->m_nCloseCount, nClosed + 1);
    EXPECT_TRUE(f.out.Reset());
    f.out.CheckPort();
    EXPECT_EQ(f.nFailures, 1);

    // A failure before anyone listens is kept until asked for, once.
    CMidiOut out(std::make_unique<CRecordingPort>());
    static_cast<CRecordingPort*>(out.GetPort())->m_bFailOpen = true;
    EXPECT_FALSE(out.Open());
    EXPECT_TRUE(out.TakeUntoldFailure());
    EXPECT_FALSE(out.TakeUntoldFailure());
}

TEST(MessageBacklog, AtItsBoundNoWaitingNoteLosesItsEnd) {
    std::mt19937 random(7);
    CMessageBacklog backlog;
    // A well-formed stream of notes on a few keys of two channels, with controllers between.
    std::map<std::uint32_t, bool> sounding; // channel | key << 8
    std::map<std::uint32_t, bool> lastWasOn;
    for (int i = 0; i < 20000; ++i) {
        if (random() % 3 == 0) {
            backlog.Push(0x0007B0u + (random() % 2) + ((random() % 128) << 16));
            continue;
        }
        const std::uint32_t dwNote = (random() % 2) + ((60 + random() % 6) << 8);
        const bool bOn = !sounding[dwNote];
        sounding[dwNote] = bOn;
        lastWasOn[dwNote] = bOn;
        // Some note-offs come as note-ons of velocity 0.
        const std::uint32_t dwOff = random() % 2 == 0 ? 0x80u + dwNote : 0x90u + dwNote;
        backlog.Push(bOn ? 0x7F0090u + dwNote : dwOff);
        ASSERT_LE(backlog.Messages().size(), CMessageBacklog::kMaxMessages);
    }
    ASSERT_EQ(backlog.Messages().size(), CMessageBacklog::kMaxMessages);
    // Whatever waits, a key whose last message was a note-off is not left sounding.
    std::map<std::uint32_t, bool> endsOn;
    for (const std::uint32_t dwMsg : backlog.Messages()) {
        if ((dwMsg & 0xE0u) == 0x80u) {
            endsOn[dwMsg & 0x7F0Fu] = (dwMsg & 0xF0u) == 0x90u && (dwMsg & 0x7F0000u) != 0;
        }
    }
    for (const auto& [dwNote, bOn] : endsOn) {
        EXPECT_FALSE(bOn && !lastWasOn[dwNote]) << std::hex << dwNote;
    }

    backlog.Clear();
    EXPECT_TRUE(backlog.Messages().empty());
    backlog.Push(0x7F3C90u);
    EXPECT_EQ(backlog.Messages(), std::vector<std::uint32_t>{0x7F3C90u});
}
