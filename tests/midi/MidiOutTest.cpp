#include "midi/MidiOut.h"
#include "midi/RecordingPort.h"

#include <gtest/gtest.h>

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
