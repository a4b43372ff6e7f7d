#include "midi/NoteEngine.h"
#include "MidiTestUtil.h"
#include "midi/NoteDisplay.h"
#include "midi/PlaybackSource.h"
#include "midi/RecordingPort.h"
#include "theory/ModeFlags.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr std::uint32_t NoteOn(int nChannel, int nNote) {
    return static_cast<std::uint32_t>(0x90 + nChannel + (nNote << 8) + (0x7F << 16));
}
constexpr std::uint32_t NoteOff(int nChannel, int nNote) {
    return static_cast<std::uint32_t>(0x80 + nChannel + (nNote << 8));
}
constexpr std::uint32_t Program(int nChannel, int nProgram) {
    return static_cast<std::uint32_t>(0xC0 + nChannel + (nProgram << 8));
}

// What the engine reports to its display, with the notes lit now.
class CRecordingDisplay : public INoteDisplay {
public:
    void ShowNote(int nChannel, int nNote, bool bOn) override {
        // The messages already sent whenever a note is shown: the sound must come first.
        m_shownAfter.push_back(m_pMessages != nullptr ? m_pMessages->size() : 0);
        if (bOn) {
            m_lit.emplace(nChannel, nNote);
        } else {
            m_lit.erase({nChannel, nNote});
        }
    }
    void ShowEchoRange(std::int8_t nEchoUp, std::int8_t nEchoDown) override {
        m_nEchoUp = nEchoUp;
        m_nEchoDown = nEchoDown;
    }
    void ResetNoteStates() override { m_lit.clear(); }
    void OnTonalityChanged(const void* pSender) override { m_tonalitySenders.push_back(pSender); }
    void OnPlayStart(bool /*bContinue*/) override {}
    void OnPlayStop() override { ++m_nStops; }

    bool IsLit(int nChannel, int nNote) const { return m_lit.count({nChannel, nNote}) != 0; }

    // The port's messages, when the display is to note how many went out before each note.
    const std::vector<std::uint32_t>* m_pMessages = nullptr;
    std::set<std::pair<int, int>> m_lit;
    std::vector<std::size_t> m_shownAfter;
    std::int8_t m_nEchoUp = 0;
    std::int8_t m_nEchoDown = 0;
    std::vector<const void*> m_tonalitySenders;
    int m_nStops = 0;
};

// The display, in a base of its own so that it exists before the engine that reports to it.
struct SRecordingDisplayFirst {
    CRecordingDisplay m_shown;
};

// An engine as the program uses it, sounding through a recording port into a recording display.
class CTestEngine : public SRecordingDisplayFirst, public CNoteEngine {
public:
    CTestEngine() : CTestEngine(new CRecordingPort) {}

    std::vector<std::uint32_t>& Messages() { return m_pPort->m_messages; }

    CRecordingPort* m_pPort;

private:
    // The engine owns the port.
    explicit CTestEngine(CRecordingPort* pPort)
        : CNoteEngine(std::unique_ptr<IMidiPort>(pPort), m_shown), m_pPort(pPort) {
        m_shown.m_pMessages = &pPort->m_messages;
    }
};

class NoteEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        // What the Orchestra window sends when it is created: a piano on channel 0, quarters.
        m_player.SetControl(IPlayerControl::kControlAddTrack, 0);
        m_player.SetControl(IPlayerControl::kControlNoteLength, 8);
        m_player.Messages().clear();
    }

    // One tick per scheduler tick, so that tick counts read as scheduler time.
    void UseStepOne() {
        m_player.SetControl(IPlayerControl::kControlTempo, 7);
        ASSERT_EQ(m_player.m_song.m_nStep, 1u);
    }

    // Playback from the song's start without the programs a rewind sends: the tests see the
    // song's own messages.
    void StartSong() {
        m_player.m_song.Rewind();
        m_player.m_bPlaying = true;
    }

    // Ticks until a message appears; returns the ticks it took, or -1 after nLimit.
    int TicksUntil(std::uint32_t dwMsg, int nLimit = 5000) {
        for (int n = 1; n <= nLimit; ++n) {
            const std::size_t nBefore = m_player.Messages().size();
            m_player.OnTimerTick();
            for (std::size_t i = nBefore; i < m_player.Messages().size(); ++i) {
                if (m_player.Messages()[i] == dwMsg) {
                    return n;
                }
            }
        }
        return -1;
    }

    void AddSongTrack(std::initializer_list<CMidiEvent*> events) {
        CTrack& track = m_player.m_song.m_tracks.emplace_back();
        track.m_bActive = true;
        track.m_nChannel = 3;
        for (CMidiEvent* pEvent : events) {
            track.m_events.push_back(std::move(*pEvent));
        }
    }

    static CMidiEvent ChannelEvent(std::uint32_t nDelta, std::uint8_t status, std::uint8_t data1,
                                   std::uint8_t data2, std::uint32_t nLength = 0) {
        CMidiEvent event;
        event.m_nDelta = nDelta;
        event.m_status = status;
        event.m_data1 = data1;
        event.m_data2 = data2;
        event.m_nLength = nLength;
        return event;
    }

    static CMidiEvent MetaEvent(std::uint8_t type, std::initializer_list<std::uint8_t> data) {
        CMidiEvent event;
        event.m_status = CMidiEvent::kMeta;
        event.m_data1 = type;
        const std::vector<std::uint8_t> bytes(data);
        event.SetData(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        return event;
    }

    CTestEngine m_player;
};

TEST(NoteEngineControl, EchoRangeTravelsPackedAndSigned) {
    constexpr std::uint32_t nValue = IPlayerControl::PackEchoRange(3, -3);
    static_assert(nValue == 0xFD03u);
    EXPECT_EQ(IPlayerControl::EchoUpOf(nValue), 3);
    EXPECT_EQ(IPlayerControl::EchoDownOf(nValue), -3);
    EXPECT_EQ(IPlayerControl::EchoUpOf(IPlayerControl::PackEchoRange(-4, 4)), -4);
    EXPECT_EQ(IPlayerControl::EchoDownOf(IPlayerControl::PackEchoRange(-4, 4)), 4);
}

TEST(NoteEngineStart, OpensTheDeviceWithChannelZeroOnPiano) {
    CTestEngine player;
    EXPECT_TRUE(player.m_midiOut.IsOpen());
    EXPECT_EQ(player.Messages(), std::vector<std::uint32_t>{Program(0, 0)});
    EXPECT_EQ(player.m_song.m_tracks.size(), 1u);
    EXPECT_STREQ(player.m_scale.GetName(), "Natural Major");
    EXPECT_TRUE(player.m_bIgnoreSysEx);
}

TEST_F(NoteEngineTest, NoteSoundsBeforeItIsShownAndEndsAfterItsLength) {
    m_player.PlayKey(53);
    ASSERT_EQ(m_player.Messages(), std::vector<std::uint32_t>{NoteOn(0, 53)});
    ASSERT_FALSE(m_player.m_shown.m_shownAfter.empty());
    EXPECT_EQ(m_player.m_shown.m_shownAfter.front(), 1u);
    EXPECT_TRUE(m_player.m_shown.IsLit(0, 53));
    // 384 ticks at 15 a tick: the scheduler clock passes 384 on the 26th tick.
    EXPECT_EQ(TicksUntil(NoteOff(0, 53)), 27);
    EXPECT_FALSE(m_player.m_shown.IsLit(0, 53));
    EXPECT_EQ(m_player.Messages().size(), 2u);
}

TEST_F(NoteEngineTest, RepressedNoteIsCutAndStruckAgainKeepingItsHighlight) {
    m_player.PlayKey(60);
    for (int i = 0; i < 10; ++i) {
        m_player.OnTimerTick();
    }
    const std::size_t nShown = m_player.m_shown.m_shownAfter.size();
    m_player.PlayKey(60);
    EXPECT_EQ(m_player.Messages(),
              (std::vector<std::uint32_t>{NoteOn(0, 60), NoteOff(0, 60), NoteOn(0, 60)}));
    EXPECT_EQ(m_player.m_shown.m_shownAfter.size(), nShown);
    EXPECT_TRUE(m_player.m_shown.IsLit(0, 60));
    // It ends one note length after the second press, not after the first.
    EXPECT_EQ(TicksUntil(NoteOff(0, 60)), 27);
    m_player.Messages().clear();
    for (int i = 0; i < 100; ++i) {
        m_player.OnTimerTick();
    }
    EXPECT_TRUE(m_player.Messages().empty());
}

TEST_F(NoteEngineTest, ArpeggioStartsEachNoteAnEighthOfTheLengthLater) {
    UseStepOne();
    m_player.m_bArpeggio = true;
    // Chord mode with key 3: a triad of the scale's thirds.
    m_player.m_dwFlags = kFlagChordMode | (3u << kChordSizeShift) | (1u << 18);
    m_player.PlayKey(60);
    EXPECT_EQ(m_player.Messages(), std::vector<std::uint32_t>{NoteOn(0, 60)});
    // Due at scheduler time 48: popped on the tick after the clock reached it.
    EXPECT_EQ(TicksUntil(NoteOn(0, 64)), 49);
    EXPECT_EQ(TicksUntil(NoteOn(0, 67)), 48);
    // Each lasts the full length: 60 ends at 384, 64 at 48 + 384.
    EXPECT_EQ(TicksUntil(NoteOff(0, 60)), 384 - 97 + 1);
    EXPECT_EQ(TicksUntil(NoteOff(0, 64)), 48);
    EXPECT_EQ(TicksUntil(NoteOff(0, 67)), 48);
}

TEST_F(NoteEngineTest, ShortNotesOrArpeggioOffPlayTheChordAtOnce) {
    m_player.m_dwFlags = kFlagChordMode | (3u << kChordSizeShift) | (1u << 18);
    m_player.m_bArpeggio = true;
    m_player.m_song.m_nNoteLength = 8;
    m_player.PlayKey(60);
    EXPECT_EQ(m_player.Messages(),
              (std::vector<std::uint32_t>{NoteOn(0, 60), NoteOn(0, 64), NoteOn(0, 67)}));

    m_player.Messages().clear();
    m_player.m_bArpeggio = false;
    m_player.m_song.m_nNoteLength = 384;
    m_player.PlayKey(62);
    EXPECT_EQ(m_player.Messages(),
              (std::vector<std::uint32_t>{NoteOn(0, 62), NoteOn(0, 65), NoteOn(0, 69)}));
}

TEST_F(NoteEngineTest, ChordAboveTheRangePlaysNothing) {
    m_player.m_dwFlags =
        kFlagChordMode | (3u << kChordSizeShift) | (1u << 18) | (1u << kInversionShift);
    m_player.PlayKey(127);
    EXPECT_TRUE(m_player.Messages().empty());
    m_player.PlayKey(128);
    m_player.PlayKey(-1);
    EXPECT_TRUE(m_player.Messages().empty());
}

TEST_F(NoteEngineTest, PlayScaleRunsUpFromOctaveThreeHalfALengthApart) {
    UseStepOne();
    m_player.PlayScale();
    EXPECT_EQ(m_player.Messages(), std::vector<std::uint32_t>{NoteOn(0, 48)});
    int nPrevious = 0;
    for (int nNote : {50, 52, 53, 55, 57, 59, 60}) {
        const int nTicks = TicksUntil(NoteOn(0, nNote));
        // The first of them waits one tick more: it leaves on the tick after its due time.
        EXPECT_EQ(nTicks, nPrevious == 0 ? 193 : 192) << nNote;
        nPrevious = nTicks;
    }
}

TEST_F(NoteEngineTest, LengthPercentShortensSongNotesButNeverToZero) {
    CMidiEvent note100 = ChannelEvent(0, 0x93, 60, 90, 100);
    CMidiEvent note1 = ChannelEvent(0, 0x93, 62, 90, 1);
    AddSongTrack({&note100, &note1});
    m_player.SetControl(IPlayerControl::kControlLengthPercent, 20);
    StartSong();
    m_player.OnTimerTick();
    // Stored velocities are not used. The piano of channel 0 plays its program first.
    EXPECT_EQ(m_player.Messages(),
              (std::vector<std::uint32_t>{Program(0, 0), NoteOn(3, 60), NoteOn(3, 62)}));
    ASSERT_NE(m_player.m_scheduler.FindNoteOff(3, 60), nullptr);
    ASSERT_NE(m_player.m_scheduler.FindNoteOff(3, 62), nullptr);
    EXPECT_EQ(m_player.m_scheduler.FindNoteOff(3, 60)->m_nDue, 20u);
    EXPECT_EQ(m_player.m_scheduler.FindNoteOff(3, 62)->m_nDue, 1u);
}

TEST_F(NoteEngineTest, OtherChannelMessagesGoOutUnchanged) {
    CMidiEvent volume = ChannelEvent(0, 0xB3, 7, 100);
    CMidiEvent bend = ChannelEvent(30, 0xE3, 0, 64);
    AddSongTrack({&volume, &bend});
    StartSong();
    m_player.OnTimerTick();
    EXPECT_EQ(m_player.Messages(), (std::vector<std::uint32_t>{Program(0, 0), 0x6407B3u}));
    m_player.OnTimerTick();
    m_player.OnTimerTick();
    EXPECT_EQ(m_player.Messages(),
              (std::vector<std::uint32_t>{Program(0, 0), 0x6407B3u, 0x4000E3u}));
}

TEST_F(NoteEngineTest, KeySignaturesApplyOnlyWithIgnoreSysExOff) {
    const CMidiEvent twoSharps = MetaEvent(CMidiEvent::kMetaKeySignature, {2, 0});
    const CMidiEvent threeFlatsMinor = MetaEvent(CMidiEvent::kMetaKeySignature, {0xFD, 1});
    m_player.PlayEvent(twoSharps);
    EXPECT_EQ(m_player.m_scale.m_nKeynote, 0);
    EXPECT_TRUE(m_player.m_shown.m_tonalitySenders.empty());

    m_player.m_bIgnoreSysEx = false;
    m_player.PlayEvent(twoSharps);
    EXPECT_EQ(m_player.m_scale.m_nKeynote, 2);
    EXPECT_STREQ(m_player.m_scale.GetName(), "Natural Major");
    m_player.PlayEvent(threeFlatsMinor);
    EXPECT_EQ(m_player.m_scale.m_nKeynote, 0);
    EXPECT_STREQ(m_player.m_scale.GetName(), "Natural Minor");
    EXPECT_EQ(m_player.m_shown.m_tonalitySenders, std::vector<const void*>(2, nullptr));
    EXPECT_TRUE(m_player.Messages().empty());
}

TEST_F(NoteEngineTest, ScaleEventsOfTheSongSetTheTonality) {
    // Dorian on d: black degrees 1, 4, 6, 8, 11 (mask 0x4A9 of the table), keynote 2.
    const CMidiEvent dorian = MetaEvent(CMidiEvent::kMetaSequencer, {0x27, 0x59, 0xA9, 0x04, 2});
    const CMidiEvent foreign = MetaEvent(CMidiEvent::kMetaSequencer, {0x00, 0x59, 0xA9, 0x04, 2});
    const CMidiEvent shortEvent = MetaEvent(CMidiEvent::kMetaSequencer, {0x27, 0x59, 0xA9});
    const CMidiEvent oddKeySignature = MetaEvent(CMidiEvent::kMetaKeySignature, {2, 0, 0});
    m_player.m_bIgnoreSysEx = false;
    m_player.PlayEvent(foreign);
    m_player.PlayEvent(shortEvent);
    m_player.PlayEvent(oddKeySignature);
    EXPECT_TRUE(m_player.m_shown.m_tonalitySenders.empty());
    m_player.PlayEvent(dorian);
    EXPECT_EQ(m_player.m_shown.m_tonalitySenders, std::vector<const void*>(1, nullptr));
    EXPECT_EQ(m_player.m_scale.m_nKeynote, 2);
    EXPECT_STREQ(m_player.m_scale.GetName(), "Dorian");
}

TEST_F(NoteEngineTest, TonalityFromAWindowNamesItAndIsRecordedOnlyWhileNotPlaying) {
    const int nWindow = 0; // its address stands for the window
    m_player.m_bRecording = true;
    m_player.m_song.ResetRecordPositions();
    m_player.SetTonality(2, nullptr, &nWindow);
    EXPECT_EQ(m_player.m_scale.m_nKeynote, 2);
    m_player.m_bPlaying = true;
    m_player.SetTonality(4, nullptr, &nWindow);
    EXPECT_EQ(m_player.m_scale.m_nKeynote, 4);
    EXPECT_EQ(m_player.m_shown.m_tonalitySenders, (std::vector<const void*>{&nWindow, &nWindow}));
    EXPECT_EQ(m_player.m_song.m_tracks.front().m_events.size(), 1u);
}

TEST_F(NoteEngineTest, OrchestraControlsEditTracksAndSendPrograms) {
    m_player.SetControl(IPlayerControl::kControlAddTrack, 40);
    m_player.SetControl(IPlayerControl::kControlAddTrack, 73);
    m_player.SetControl(IPlayerControl::kControlSetProgram + 2, 74);
    m_player.SetControl(IPlayerControl::kControlSetProgram + 7, 10); // no such track
    m_player.SetControl(IPlayerControl::kControlAddTrack, 200);      // no such program
    EXPECT_EQ(m_player.Messages(),
              (std::vector<std::uint32_t>{Program(1, 40), Program(2, 73), Program(2, 74)}));

    // Removing the selected entry sends the programs of all remaining tracks again.
    m_player.Messages().clear();
    m_player.m_nCurrentTrack = 1;
    m_player.SetControl(IPlayerControl::kControlRemoveTrack + 1, 0);
    EXPECT_EQ(m_player.Messages(), (std::vector<std::uint32_t>{Program(0, 0), Program(2, 74)}));
    EXPECT_EQ(m_player.m_song.GetActiveTrackCount(), 2u);
}

TEST_F(NoteEngineTest, OptionControlsSetTimingAndEchoes) {
    m_player.SetControl(IPlayerControl::kControlTempo, 200);
    EXPECT_EQ(m_player.m_song.m_nStep, 30u);
    m_player.SetControl(IPlayerControl::kControlNoteLength, 4);
    EXPECT_EQ(m_player.m_song.m_nNoteLength, 192u);
    m_player.SetControl(IPlayerControl::kControlLengthPercent, 700);
    EXPECT_EQ(m_player.m_song.m_nLengthPercent, 700u);
    m_player.SetControl(IPlayerControl::kControlEchoRange, IPlayerControl::PackEchoRange(1, -2));
    EXPECT_EQ(m_player.m_shown.m_nEchoUp, 1);
    EXPECT_EQ(m_player.m_shown.m_nEchoDown, -2);
    // The keyboard shows at most four octaves either way.
    m_player.SetControl(IPlayerControl::kControlEchoRange,
                        IPlayerControl::PackEchoRange(100, -128));
    EXPECT_EQ(m_player.m_shown.m_nEchoUp, 4);
    EXPECT_EQ(m_player.m_shown.m_nEchoDown, -4);
    // Codes outside the table change nothing.
    m_player.SetControl(0x0700, 1);
    m_player.SetControl(0x10400, 1);
    m_player.SetControl(0x0401, 1);
    EXPECT_EQ(m_player.m_song.m_nTempo, 200u);
    EXPECT_TRUE(m_player.Messages().empty());
}

TEST_F(NoteEngineTest, NotesStillEndWhenATempoTooSlowStopsTheSongClock) {
    // 15 ticks a tick at 6 % is 0: the song stands still, yet a struck note must not hang.
    m_player.SetControl(IPlayerControl::kControlTempo, 6);
    ASSERT_EQ(m_player.m_song.m_nStep, 0u);
    m_player.PlayKey(53);
    EXPECT_EQ(TicksUntil(NoteOff(0, 53)), 385);
    EXPECT_FALSE(m_player.m_shown.IsLit(0, 53));
}

TEST_F(NoteEngineTest, ResetMidiSilencesAtOnceWithNoLateNoteOff) {
    m_player.SetControl(IPlayerControl::kControlAddTrack, 40);
    m_player.m_bArpeggio = true;
    m_player.m_dwFlags = kFlagChordMode | (3u << kChordSizeShift) | (1u << 18);
    m_player.PlayKey(60);
    m_player.PlayScale();
    m_player.Messages().clear();

    EXPECT_TRUE(m_player.ResetMidi());
    EXPECT_EQ(m_player.Messages(), (std::vector<std::uint32_t>{
                                       CRecordingPort::kResetMarker, CRecordingPort::kCloseMarker,
                                       Program(0, 0), Program(0, 0), Program(1, 40)}));
    EXPECT_FALSE(m_player.m_shown.IsLit(0, 60));
    EXPECT_FALSE(m_player.m_shown.IsLit(0, 48));
    EXPECT_TRUE(m_player.m_scheduler.IsEmpty());
    m_player.Messages().clear();
    for (int i = 0; i < 200; ++i) {
        m_player.OnTimerTick();
    }
    EXPECT_TRUE(m_player.Messages().empty());
}

TEST_F(NoteEngineTest, ResetMidiReportsADeviceThatWillNotOpen) {
    m_player.m_pPort->m_bFailOpen = true;
    EXPECT_FALSE(m_player.ResetMidi());
    m_player.PlayKey(60);
    EXPECT_EQ(m_player.Messages(), (std::vector<std::uint32_t>{CRecordingPort::kResetMarker,
                                                               CRecordingPort::kCloseMarker}));
}

TEST_F(NoteEngineTest, RecordingGoesIntoTheFirstActiveTrackAtTheRecordTime) {
    m_player.m_bRecording = true;
    m_player.m_song.ResetRecordPositions();
    for (int i = 0; i < 3; ++i) {
        m_player.OnTimerTick();
    }
    m_player.PlayKey(60);
    m_player.OnTimerTick();
    m_player.PlayKey(62);

    EXPECT_TRUE(m_player.m_song.m_tracks.front().m_events.empty());
    const CTrack* pTrack = m_player.m_song.FindActiveTrack(0);
    ASSERT_NE(pTrack, nullptr);
    ASSERT_EQ(pTrack->m_events.size(), 2u);
    const CMidiEvent& first = pTrack->m_events.front();
    EXPECT_EQ(first.m_status, 0x90);
    EXPECT_EQ(first.m_data1, 60);
    EXPECT_EQ(first.m_nDelta, 45u);
    EXPECT_EQ(first.m_nLength, 384u);
    EXPECT_EQ(pTrack->m_events.back().m_data1, 62);
    EXPECT_EQ(pTrack->m_events.back().m_nDelta, 15u);
}

TEST_F(NoteEngineTest, PlaybackIsNotRecordedAndEndsByItself) {
    CMidiEvent note = ChannelEvent(0, 0x93, 60, 90, 30);
    CMidiEvent later = ChannelEvent(40, 0x93, 64, 90, 30);
    AddSongTrack({&note, &later});
    m_player.m_bRecording = true;
    m_player.m_song.ResetRecordPositions();
    StartSong();
    int nTicks = 0;
    while (m_player.m_bPlaying && nTicks < 100) {
        m_player.OnTimerTick();
        ++nTicks;
    }
    // Play times 0, 15, 30, 45: the last event sounds on the fourth tick, which finds the end.
    EXPECT_EQ(nTicks, 4);
    EXPECT_EQ(m_player.m_shown.m_nStops, 1);
    // Due scheduled work comes before playback within a tick.
    EXPECT_EQ(m_player.Messages(), (std::vector<std::uint32_t>{Program(0, 0), NoteOn(3, 60),
                                                               NoteOff(3, 60), NoteOn(3, 64)}));
    // The last note still ends on its own after playback stopped.
    EXPECT_GT(TicksUntil(NoteOff(3, 64)), 0);
    EXPECT_EQ(m_player.m_song.FindActiveTrack(1)->m_events.size(), 2u);
    EXPECT_TRUE(m_player.m_song.FindActiveTrack(0)->m_events.empty());
}

TEST_F(NoteEngineTest, OpenSongRefusesABrokenFileAndKeepsTheSong) {
    EXPECT_FALSE(m_player.OpenSong(VORKELN_TEST_TMP "/no-such-file.mid"));
    EXPECT_EQ(m_player.m_song.GetActiveTrackCount(), 1u);
    EXPECT_TRUE(m_player.Messages().empty());
}

TEST_F(NoteEngineTest, OpenSongSendsTheProgramsOfTheFile) {
    m_player.SetControl(IPlayerControl::kControlAddTrack, 40);
    // A track without notes reads back as inactive, so each gets one.
    m_player.m_song.FindActiveTrack(0)->m_events.push_back(ChannelEvent(0, 0x90, 60, 90, 10));
    m_player.m_song.FindActiveTrack(1)->m_events.push_back(ChannelEvent(0, 0x91, 60, 90, 10));
    const std::filesystem::path path = VORKELN_TEST_TMP "/player-open.mid";
    ASSERT_TRUE(m_player.m_song.Save(path));
    m_player.m_song.Reset();
    m_player.Messages().clear();
    ASSERT_TRUE(m_player.OpenSong(path));
    EXPECT_EQ(m_player.Messages(), (std::vector<std::uint32_t>{Program(0, 0), Program(1, 40)}));
}

TEST_F(NoteEngineTest, ProgramChangesOfAFilePlayWhereTheyStandAndEveryPassStartsAlike) {
    // Channel 3: program 10, changed to 20 at tick 30. Channel 4: no program of its own, changed
    // to 50 at tick 60 after its first note.
    const Bytes file = MakeSmf(
        0, 96, {{0x00, 0xC3, 10,   0x00, 0x93, 60, 100,  0x00, 0x94, 62, 100,  0x1E, 0xC3, 20, 0x1E,
                 0xC4, 50,   0x0A, 0x83, 60,   0,  0x00, 0x84, 62,   0,  0x00, 0xFF, 0x2F, 0}});
    ASSERT_TRUE(m_player.m_song.LoadMemory(file.data(), file.size()));
    ASSERT_EQ(m_player.m_song.GetActiveTrackCount(), 2u);
    m_player.SetControl(IPlayerControl::kControlTempo, 34);
    ASSERT_EQ(m_player.m_song.m_nStep, 1u);
    for (int nPass = 0; nPass < 2; ++nPass) {
        m_player.m_scheduler.ClearPending();
        m_player.Messages().clear();
        m_player.RewindSong();
        m_player.m_bPlaying = true;
        for (int i = 0; i < 61; ++i) {
            m_player.OnTimerTick();
        }
        // The channel without a program of its own starts at the default, the other at its own.
        EXPECT_EQ(std::vector<std::uint32_t>(m_player.Messages().begin(),
                                             m_player.Messages().begin() + 7),
                  (std::vector<std::uint32_t>{Program(4, 0), Program(3, 10), Program(3, 10),
                                              NoteOn(3, 60), NoteOn(4, 62), Program(3, 20),
                                              Program(4, 50)}))
            << "pass " << nPass;
    }
}

} // namespace

TEST_F(NoteEngineTest, OfflinePlaybackSendsWhatPlaybackSendsTickForTick) {
    CMidiEvent notes[] = {
        ChannelEvent(0, 0x93, 60, 127, 384), ChannelEvent(100, 0x93, 64, 127, 200),
        ChannelEvent(300, 0x93, 60, 127, 900), ChannelEvent(384, 0x93, 67, 127, 1)};
    AddSongTrack({&notes[0], &notes[1], &notes[2], &notes[3]});
    struct SCase {
        std::uint32_t nTempo;
        std::uint32_t nLengthPercent;
    };
    for (const SCase c : {SCase{100, 100}, SCase{50, 100}, SCase{170, 250}, SCase{100, 10}}) {
        m_player.SetControl(IPlayerControl::kControlTempo, c.nTempo);
        m_player.SetControl(IPlayerControl::kControlLengthPercent, c.nLengthPercent);
        std::vector<std::vector<std::uint32_t>> offline;
        CPlaybackSource source(m_player.m_song, m_player.m_bIgnoreSysEx);
        for (std::vector<std::uint32_t> tick; source.NextTick(tick); tick.clear()) {
            offline.push_back(tick);
        }
        // The estimate the progress shows: the notes' end, before the ticks that find it.
        EXPECT_NEAR(static_cast<double>(offline.size()),
                    static_cast<double>(source.GetExpectedTicks()), 3)
            << c.nTempo << " " << c.nLengthPercent;

        // A new engine starts with the piano on channel 0; the offline source hands that out
        // with the start's messages and the first tick's sound.
        m_player.Messages().assign({Program(0, 0)});
        m_player.StartPlay(false);
        std::vector<std::vector<std::uint32_t>> played;
        do {
            m_player.OnTimerTick();
            played.push_back(std::exchange(m_player.Messages(), {}));
        } while (m_player.m_bPlaying || !m_player.m_scheduler.IsEmpty());
        EXPECT_EQ(offline, played) << c.nTempo << " " << c.nLengthPercent;
    }
}

TEST_F(NoteEngineTest, EverySoundingNoteIsFollowedButOnlyLivePlayIsKept) {
    CMidiEvent note = ChannelEvent(0, 0x93, 64, 90, 30);
    AddSongTrack({&note});
    m_player.PlayKey(60);
    StartSong();
    m_player.OnTimerTick();
    EXPECT_EQ(m_player.m_sounding.GetPitchClasses(), (1u << 0) | (1u << 4));
    EXPECT_EQ(m_player.m_capture.GetNoteCount(m_player.GetLiveTime()), 1u);
    m_player.ResetMidi();
    EXPECT_TRUE(m_player.m_sounding.IsSilent());
}

namespace {
constexpr std::uint32_t Input(int nStatus, int nData1, int nData2) {
    return static_cast<std::uint32_t>(nStatus + (nData1 << 8) + (nData2 << 16));
}
} // namespace

// Messages from a system MIDI input.
TEST_F(NoteEngineTest, InputMessagesPassThroughOnTheirChannelAsChosen) {
    struct SCase {
        bool bKeep;
        std::uint32_t dwIn;
        std::uint32_t dwOut;
    };
    const SCase cases[] = {
        {false, Input(0xB7, 64, 127), Input(0xB0, 64, 127)}, // sustain
        {false, Input(0xE7, 0, 96), Input(0xE0, 0, 96)},     // pitch bend
        {false, Input(0xD7, 50, 9), Input(0xD0, 50, 0)},     // channel pressure: one data byte
        {false, Input(0xA7, 60, 20), Input(0xA0, 60, 20)},   // key pressure
        {false, Input(0xC7, 40, 0), Input(0xC0, 40, 0)},     // program change
        {true, Input(0xB7, 64, 0), Input(0xB7, 64, 0)},
        {true, Input(0x97, 62, 90), Input(0x97, 62, 90)},
    };
    for (const SCase& c : cases) {
        m_player.m_bKeepInputChannels = c.bKeep;
        m_player.Messages().clear();
        m_player.OnInputMessage(c.dwIn);
        EXPECT_EQ(m_player.Messages(), (std::vector<std::uint32_t>{c.dwOut})) << std::hex << c.dwIn;
    }
    // A program change from the input leaves the Orchestra's instrument as it was.
    EXPECT_EQ(m_player.m_song.FindActiveTrack(0)->m_nProgram, 0);
    for (const std::uint32_t dwIgnored : {0xF8u, 0x3Cu, 0xF0u}) {
        m_player.Messages().clear();
        m_player.OnInputMessage(dwIgnored);
        EXPECT_TRUE(m_player.Messages().empty());
    }
}

TEST_F(NoteEngineTest, AKeyStruckAgainWhileHeldEndsFirstAndResetMidiForgetsHeldKeys) {
    m_player.OnInputMessage(Input(0x90, 64, 100));
    m_player.OnInputMessage(Input(0x90, 64, 50));
    EXPECT_EQ(m_player.Messages(), (std::vector<std::uint32_t>{Input(0x90, 64, 100), NoteOff(0, 64),
                                                               Input(0x90, 64, 50)}));
    EXPECT_EQ(m_player.m_sounding.GetPitchClasses(), 1u << 4);
    m_player.ResetMidi();
    m_player.Messages().clear();
    m_player.OnInputMessage(Input(0x80, 64, 0));
    EXPECT_TRUE(m_player.Messages().empty());
    // A key released is no longer sounding.
    m_player.OnInputMessage(Input(0x90, 67, 80));
    m_player.OnInputMessage(Input(0x80, 67, 0));
    EXPECT_TRUE(m_player.m_sounding.IsSilent());
}

TEST_F(NoteEngineTest, RecordedInputKeysGetTheirRealLengthsAndControllersGoInToo) {
    UseStepOne();
    m_player.m_bRecording = true;
    m_player.m_song.ResetRecordPositions();
    m_player.OnInputMessage(Input(0x90, 60, 70));
    for (int i = 0; i < 10; ++i) {
        m_player.OnTimerTick();
    }
    m_player.OnInputMessage(Input(0xB0, 64, 127));
    m_player.OnInputMessage(Input(0xC0, 5, 0));
    for (int i = 0; i < 30; ++i) {
        m_player.OnTimerTick();
    }
    m_player.OnInputMessage(Input(0x80, 60, 0));
    ASSERT_NE(m_player.m_song.FindActiveTrack(0), nullptr);
    const CTrack& track = *m_player.m_song.FindActiveTrack(0);
    ASSERT_EQ(track.m_events.size(), 2u); // the program change stays out
    const CMidiEvent& note = track.m_events.front();
    EXPECT_EQ(note.m_status, 0x90);
    EXPECT_EQ(note.m_data2, 70);
    EXPECT_EQ(note.m_nLength, 40u);
    const CMidiEvent& sustain = track.m_events.back();
    EXPECT_EQ(std::tuple(sustain.m_status, sustain.m_data1, sustain.m_data2, sustain.m_nDelta),
              std::tuple(std::uint8_t{0xB0}, std::uint8_t{64}, std::uint8_t{127}, 10u));
    EXPECT_TRUE(m_player.m_song.IsModified());
    // The last played notes keep the key as long as it was held, too.
    CSong kept;
    ASSERT_TRUE(m_player.m_capture.MakeSong(kept, m_player.GetLiveTime(), 384, 1));
    ASSERT_EQ(kept.m_tracks.size(), 2u);
    EXPECT_EQ(kept.m_tracks.back().m_events.front().m_nLength, 40u);
    // A key still held when the song is renewed ends without touching what is gone.
    m_player.OnInputMessage(Input(0x90, 62, 70));
    m_player.m_song.Reset();
    m_player.OnInputMessage(Input(0x80, 62, 0));
    EXPECT_EQ(m_player.Messages().back(), NoteOff(0, 62));
}

TEST_F(NoteEngineTest, TheVelocityControlSetsHowHardTheKeyboardPlays) {
    const std::pair<std::uint32_t, std::uint8_t> cases[] = {
        {1, 1}, {64, 64}, {0, 64}, {128, 64}, {127, 127}};
    for (const auto& [nValue, nVelocity] : cases) {
        m_player.SetControl(IPlayerControl::kControlVelocity, nValue);
        m_player.Messages().clear();
        m_player.PlayKey(60);
        ASSERT_FALSE(m_player.Messages().empty());
        EXPECT_EQ(m_player.Messages().back() >> 16, nVelocity) << nValue;
        m_player.ResetMidi();
    }
}
