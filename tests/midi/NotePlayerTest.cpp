#include "midi/NotePlayer.h"
#include "midi/RecordingPort.h"

#include <QRegion>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A player as the main view uses it, with the port recorded. The engine's own behaviour is
// tested without a keyboard; these tests check what reaches the keyboard's drawing.
class CTestPlayer : public CNotePlayer {
public:
    CTestPlayer()
        : CNotePlayer(std::make_unique<CRecordingPort>()),
          m_pPort(static_cast<CRecordingPort*>(m_midiOut.GetPort())) {}

    void OnTonalityChanged(const void* /*pSender*/) override {}
    void OnPlayStart(bool /*bContinue*/) override {}
    void OnPlayStop() override {}
    // The messages already sent whenever the picture is shown: the sound must come first.
    void UpdateWindowFromFrame(const QRegion& /*rgn*/) override {
        m_shownAfter.push_back(m_pPort->m_messages.size());
    }

    CRecordingPort* m_pPort;
    std::vector<std::size_t> m_shownAfter;
};

class NotePlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_player.Create(&m_view, 640, 480);
        m_player.SetViewSize(640, 480);
        m_player.SetControl(CNotePlayer::kControlAddTrack, 0);
        m_player.SetControl(CNotePlayer::kControlNoteLength, 8);
        m_player.m_pPort->m_messages.clear();
    }

    QWidget m_view;
    CTestPlayer m_player;
};

TEST_F(NotePlayerTest, NoteIsLitOnTheKeyboardAfterItSoundsAndClearedWhenItEnds) {
    m_player.PlayKey(53);
    ASSERT_FALSE(m_player.m_shownAfter.empty());
    EXPECT_EQ(m_player.m_shownAfter.front(), 1u);
    EXPECT_TRUE(m_player.m_grid.m_noteState[53].IsSounding());
    for (int i = 0; i < 27; ++i) {
        m_player.OnTimerTick();
    }
    EXPECT_EQ(m_player.m_pPort->m_messages.size(), 2u);
    EXPECT_FALSE(m_player.m_grid.m_noteState[53].IsSounding());
}

TEST_F(NotePlayerTest, EchoRangeReachesTheKeyboardWithinItsLimits) {
    m_player.SetControl(CNotePlayer::kControlEchoRange, CNotePlayer::PackEchoRange(1, -2));
    EXPECT_EQ(m_player.m_grid.m_nEchoUp, 1);
    EXPECT_EQ(m_player.m_grid.m_nEchoDown, -2);
    m_player.SetControl(CNotePlayer::kControlEchoRange, CNotePlayer::PackEchoRange(100, -128));
    EXPECT_EQ(m_player.m_grid.m_nEchoUp, 4);
    EXPECT_EQ(m_player.m_grid.m_nEchoDown, -4);
}

TEST_F(NotePlayerTest, ResetMidiClearsTheKeyboard) {
    m_player.PlayKey(60);
    m_player.PlayScale();
    ASSERT_TRUE(m_player.m_grid.m_noteState[60].IsSounding());
    EXPECT_TRUE(m_player.ResetMidi());
    EXPECT_FALSE(m_player.m_grid.m_noteState[60].IsSounding());
    EXPECT_FALSE(m_player.m_grid.m_noteState[48].IsSounding());
}

} // namespace

namespace {
constexpr std::uint32_t Input(int nStatus, int nData1, int nData2) {
    return static_cast<std::uint32_t>(nStatus + (nData1 << 8) + (nData2 << 16));
}
} // namespace

// Keys from a system MIDI input, as the view hands them over in batches.
TEST_F(NotePlayerTest, AnInputKeySoundsOnTheInstrumentsChannelAndEndsWhenReleased) {
    m_player.SetControl(IPlayerControl::kControlAddTrack, 40); // a violin on channel 1
    m_player.m_nCurrentTrack = 1;
    m_player.m_pPort->m_messages.clear();
    m_player.OnInputMessage(Input(0x95, 60, 33)); // channel 5 on the keyboard
    EXPECT_EQ(m_player.m_pPort->m_messages, (std::vector<std::uint32_t>{Input(0x91, 60, 33)}));
    EXPECT_EQ(m_player.m_grid.m_noteState[60].m_nChannel, 1);
    EXPECT_TRUE(m_player.m_grid.m_noteState[72].IsSounding()); // an octave echo
    // No fixed length: it sounds on through many ticks.
    for (int i = 0; i < 500; ++i) {
        m_player.OnTimerTick();
    }
    EXPECT_EQ(m_player.m_pPort->m_messages.size(), 1u);
    // Another instrument chosen meanwhile: the key still ends where it began.
    m_player.m_nCurrentTrack = 0;
    m_player.OnInputMessage(Input(0x95, 60, 0)); // note-on of velocity 0 is a release
    EXPECT_EQ(m_player.m_pPort->m_messages.back(), Input(0x81, 60, 0));
    EXPECT_FALSE(m_player.m_grid.m_noteState[60].IsSounding());
    EXPECT_FALSE(m_player.m_grid.m_noteState[72].IsSounding());
    // A release without a press sends nothing.
    m_player.OnInputMessage(Input(0x85, 61, 64));
    EXPECT_EQ(m_player.m_pPort->m_messages.size(), 2u);
}
