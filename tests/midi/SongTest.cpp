#include "MidiTestUtil.h"

#include <gtest/gtest.h>

namespace {
// Every event the song plays, as (play time at which it came due, status, data1).
struct Played {
    std::uint32_t nTime;
    std::uint8_t status;
    std::uint8_t data1;
    bool operator==(const Played&) const = default;
};

std::vector<Played> PlayAll(CSong& song, int nMaxTicks = 10000) {
    std::vector<Played> played;
    song.Rewind();
    for (int i = 0; i < nMaxTicks; ++i) {
        const CMidiEvent* pEvent = nullptr;
        bool bGoing = true;
        while ((bGoing = song.GetNextDueEvent(pEvent)) && pEvent != nullptr) {
            played.push_back({song.m_nPlayTime, pEvent->m_status, pEvent->m_data1});
        }
        if (!bGoing) {
            break;
        }
        song.m_nPlayTime += song.m_nStep;
    }
    return played;
}

void AppendEvent(CTrack& track, std::uint32_t nDelta, std::uint8_t status, std::uint8_t data1,
                 std::uint32_t nLength = 0) {
    CMidiEvent event;
    event.m_nDelta = nDelta;
    event.m_status = status;
    event.m_data1 = data1;
    event.m_data2 = 100;
    event.m_nLength = nLength;
    track.m_events.push_back(std::move(event));
}
} // namespace

TEST(Song, ResetGivesOneInactiveTrackAndDefaultTiming) {
    CSong song;
    song.SetNoteLength(4);
    song.AddTrack(5);
    song.SetTempo(700);
    song.SetLengthPercent(30);
    song.Reset();
    ASSERT_EQ(song.m_tracks.size(), 1u);
    EXPECT_FALSE(song.m_tracks.front().m_bActive);
    EXPECT_EQ(song.m_nStep, 15u);
    EXPECT_EQ(song.m_nTempo, 100u);
    EXPECT_EQ(song.m_nLengthPercent, 100u);
    EXPECT_EQ(song.m_nTicksPerQuarter, 384u);
    EXPECT_EQ(song.m_nNoteLength, 192u);
}

TEST(Song, TempoAndNoteLength) {
    CSong song;
    song.SetTempo(20);
    EXPECT_EQ(song.m_nStep, 3u);
    song.SetTempo(700);
    EXPECT_EQ(song.m_nStep, 105u);
    song.SetTempo(0);
    EXPECT_EQ(song.m_nStep, 0u);
    song.SetNoteLength(8);
    EXPECT_EQ(song.m_nNoteLength, 384u);
    song.SetNoteLength(0);
    EXPECT_EQ(song.m_nNoteLength, 1u);
}

TEST(Song, NewTracksTakeTheLowestFreeChannel) {
    CSong song;
    EXPECT_EQ(song.AddTrack(0), 0);
    EXPECT_EQ(song.AddTrack(1), 1);
    EXPECT_EQ(song.AddTrack(2), 2);
    EXPECT_EQ(song.AddTrack(3), 3);
    song.RemoveActiveTrack(2);
    EXPECT_EQ(song.GetActiveTrackChannel(2), 3);
    EXPECT_EQ(song.AddTrack(7), 2);
    while (song.GetActiveTrackCount() < 16) {
        song.AddTrack(0);
    }
    EXPECT_EQ(song.FirstFreeChannel(), 0);
    EXPECT_EQ(song.GetActiveTrackChannel(99), 0);
    EXPECT_EQ(song.FindActiveTrack(16), nullptr);
    song.RemoveActiveTrack(16);
    EXPECT_EQ(song.GetActiveTrackCount(), 16u);
}

TEST(Song, EmptySongsFinishAtOnce) {
    CSong song;
    const CMidiEvent* pEvent = nullptr;
    song.Rewind();
    EXPECT_FALSE(song.GetNextDueEvent(pEvent));
    song.RemoveAllTracks();
    song.Rewind();
    EXPECT_FALSE(song.GetNextDueEvent(pEvent));
}

TEST(Song, PlaybackMergesTracksAndPrefersEarlierTracksAtEqualTimes) {
    CSong song;
    CTrack& first = song.m_tracks.front();
    AppendEvent(first, 0, 0x90, 60, 10);
    AppendEvent(first, 30, 0x90, 61, 10);
    song.AddTrack(0);
    CTrack& second = song.m_tracks.back();
    AppendEvent(second, 0, 0x91, 70, 10);
    AppendEvent(second, 20, 0xB1, 7);
    AppendEvent(second, 10, 0x91, 71, 10);

    // An instrument's program plays first in its track, at tick 0.
    const std::vector<Played> played = PlayAll(song);
    EXPECT_EQ(played, (std::vector<Played>{{0, 0x90, 60},
                                           {0, 0xC0, 0},
                                           {0, 0x91, 70},
                                           {30, 0xB1, 7},
                                           {30, 0x90, 61},
                                           {30, 0x91, 71}}));
}

TEST(Song, RemovingTheTrackThatPlaysNextSelectsAgain) {
    CSong song;
    song.AddTrack(0);
    AppendEvent(song.m_tracks.back(), 5, 0x90, 60, 10);
    song.AddTrack(0);
    AppendEvent(song.m_tracks.back(), 40, 0x91, 62, 10);
    song.Rewind();
    EXPECT_EQ(song.m_pNextTrack, &TrackAt(song, 1));
    song.RemoveActiveTrack(0);
    EXPECT_EQ(song.m_pNextTrack, &TrackAt(song, 1));
    const CMidiEvent* pEvent = nullptr;
    song.m_nPlayTime = 45;
    ASSERT_TRUE(song.GetNextDueEvent(pEvent));
    ASSERT_NE(pEvent, nullptr);
    EXPECT_EQ(pEvent->m_status, 0xC1);
    ASSERT_TRUE(song.GetNextDueEvent(pEvent));
    ASSERT_NE(pEvent, nullptr);
    EXPECT_EQ(pEvent->m_data1, 62);
    EXPECT_FALSE(song.GetNextDueEvent(pEvent));
}

TEST(Song, RecordingOverdubsWithoutMovingExistingEvents) {
    CSong song;
    song.AddTrack(0);
    CTrack& track = song.m_tracks.back();
    AppendEvent(track, 20, 0x90, 60, 5);
    AppendEvent(track, 40, 0x90, 62, 5);
    song.ResetRecordPositions();

    song.AdvanceRecordTime(); // 15
    song.RecordNote(0, 70, 99);
    song.AdvanceRecordTime(); // 30
    song.AdvanceRecordTime(); // 45
    song.RecordNote(0, 71, 99);
    song.RecordNote(0, 72, 99);
    song.AdvanceRecordTime(); // 60: an event exactly at the record time is not passed
    song.RecordNote(0, 73, 99);

    EXPECT_EQ(AbsoluteTimes(track), (std::vector<std::uint32_t>{15, 20, 45, 45, 60, 60}));
    std::vector<std::uint8_t> notes;
    for (const CMidiEvent& event : track.m_events) {
        notes.push_back(event.m_data1);
    }
    EXPECT_EQ(notes, (std::vector<std::uint8_t>{70, 60, 72, 71, 73, 62}));
    EXPECT_EQ(track.m_events.front().m_nLength, 99u);
    EXPECT_EQ(track.m_events.front().m_data2, 127);
}

TEST(Song, ATrackAddedWhileRecordingRecordsAtTheSongsRecordTime) {
    CSong song;
    song.AddTrack(0);
    song.ResetRecordPositions();
    for (int i = 0; i < 10; ++i) {
        song.AdvanceRecordTime();
    }
    const std::uint8_t nChannel = song.AddTrack(40);
    song.AdvanceRecordTime();
    song.RecordNote(nChannel, 76, 10);
    song.RecordNote(0, 60, 10);
    EXPECT_EQ(AbsoluteTimes(song.m_tracks.back()), std::vector<std::uint32_t>{165});
    EXPECT_EQ(AbsoluteTimes(TrackAt(song, 1)), std::vector<std::uint32_t>{165});

    // A new recording starts every track, a new one too, from the beginning.
    song.ResetRecordPositions();
    song.AddTrack(41);
    song.RecordNote(2, 77, 10);
    EXPECT_EQ(AbsoluteTimes(song.m_tracks.back()), std::vector<std::uint32_t>{0});
}

TEST(Song, NotesRecordedAsTheSongPlaysAreNotPlayedAgainAtTheNextTick) {
    CSong song;
    song.AddTrack(0);
    AppendEvent(song.m_tracks.back(), 20, 0x90, 60, 5);
    AppendEvent(song.m_tracks.back(), 100, 0x90, 64, 5);
    // The player's tick: the record clock, then every event due, then the play clock.
    std::vector<std::uint8_t> played;
    const auto tick = [&song, &played] {
        song.AdvanceRecordTime();
        const CMidiEvent* pEvent = nullptr;
        while (song.GetNextDueEvent(pEvent) && pEvent != nullptr) {
            if (pEvent->IsNoteOn()) {
                played.push_back(pEvent->m_data1);
            }
        }
        song.m_nPlayTime += song.m_nStep;
    };
    song.Rewind();
    song.ResetRecordPositions();
    tick();
    tick();
    // Both clocks at 30, the note at 20 still to play: a chord struck now is due next.
    song.RecordNote(0, 70, 50);
    song.RecordNote(0, 74, 50);
    tick();
    EXPECT_EQ(played, std::vector<std::uint8_t>{60});
    // Struck ahead of playback, a note is played when the song gets there.
    for (int i = 0; i < 6; ++i) {
        song.AdvanceRecordTime();
    }
    song.RecordNote(0, 77, 50); // at 135, after the note at 120
    for (int i = 0; i < 10; ++i) {
        tick();
    }
    EXPECT_EQ(played, (std::vector<std::uint8_t>{60, 64, 77}));
    // On the next pass everything recorded plays, after the instrument's program.
    EXPECT_EQ(PlayAll(song).size(), 6u);
}

TEST(Song, RecordNoteGoesToTheFirstActiveTrackOnItsChannel) {
    CSong song;
    song.AddTrack(0); // channel 0
    song.AddTrack(0); // channel 1
    song.RemoveActiveTrack(0);
    song.AddTrack(0); // channel 0 again, after the channel 1 track
    song.ResetRecordPositions();
    song.RecordNote(0, 60, 10);
    song.RecordNote(1, 61, 10);
    song.RecordNote(5, 62, 10);
    EXPECT_TRUE(TrackAt(song, 0).m_events.empty());
    ASSERT_EQ(TrackAt(song, 1).m_events.size(), 1u);
    EXPECT_EQ(TrackAt(song, 1).m_events.front().m_status, 0x91);
    ASSERT_EQ(TrackAt(song, 2).m_events.size(), 1u);
    EXPECT_EQ(TrackAt(song, 2).m_events.front().m_status, 0x90);
}

TEST(Song, RecordScaleGoesToTheFirstTrack) {
    CSong song;
    song.AddTrack(0);
    song.ResetRecordPositions();
    song.AdvanceRecordTime();
    song.RecordScale(0x0A52, 2);
    const CTrack& first = song.m_tracks.front();
    ASSERT_EQ(first.m_events.size(), 1u);
    const CMidiEvent& event = first.m_events.front();
    EXPECT_EQ(event.m_nDelta, 15u);
    EXPECT_EQ(event.m_status, 0xFF);
    EXPECT_EQ(event.m_data1, 0x7F);
    ASSERT_EQ(event.m_nLength, 5u);
    EXPECT_EQ(Bytes(event.m_pData.get(), event.m_pData.get() + 5),
              (Bytes{0x27, 0x59, 0x52, 0x0A, 2}));

    song.RemoveAllTracks();
    song.RecordScale(0, 0);
    EXPECT_TRUE(song.m_tracks.empty());
}

TEST(Song, ChangesASavedFileHoldsMarkTheSongAndSavingOrLoadingClearsIt) {
    const struct {
        const char* pszChange;
        void (*fnChange)(CSong&);
        bool bModified;
    } cases[] = {
        {"track added", [](CSong& song) { song.AddTrack(40); }, true},
        {"track removed", [](CSong& song) { song.RemoveActiveTrack(0); }, true},
        {"note recorded", [](CSong& song) { song.RecordNote(0, 60, 96); }, true},
        {"scale recorded", [](CSong& song) { song.RecordScale(0x0AA, 2); }, true},
        {"note on a channel no track has", [](CSong& song) { song.RecordNote(9, 60, 96); }, false},
        {"tempo, lengths, clocks",
         [](CSong& song) {
             song.SetTempo(150);
             song.SetNoteLength(3);
             song.SetLengthPercent(60);
             song.AdvanceRecordTime();
             song.Rewind();
         },
         false},
    };
    const std::string strPath = TempPath("modified.mid");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszChange);
        CSong song;
        song.AddTrack(0);
        song.SetModified(false);
        const std::uint64_t nChanges = song.GetChangeCount();
        c.fnChange(song);
        EXPECT_EQ(song.IsModified(), c.bModified);
        EXPECT_EQ(song.GetChangeCount() != nChanges, c.bModified);

        song.MarkModified();
        Bytes bytes;
        ASSERT_TRUE(song.SaveMemory(bytes));
        EXPECT_TRUE(song.IsModified()); // the bytes alone are no saved file
        ASSERT_TRUE(song.Save(strPath));
        EXPECT_FALSE(song.IsModified());
        song.MarkModified();
        ASSERT_TRUE(song.Load(strPath));
        EXPECT_FALSE(song.IsModified());
        song.MarkModified();
        EXPECT_FALSE(song.Save(TempPath("no-such-dir/x.mid")));
        EXPECT_TRUE(song.IsModified());
        song.Reset();
        EXPECT_FALSE(song.IsModified());
    }
}
