#include "MidiTestUtil.h"

#include <gtest/gtest.h>

TEST(MidiFile, RunningStatusChunkYieldsOneNote) {
    CSong song;
    ASSERT_TRUE(LoadBytes(
        song,
        MakeSmf(0, 96, {{0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}})));
    ASSERT_EQ(song.m_tracks.size(), 1u);
    const CTrack& track = song.m_tracks.front();
    ASSERT_EQ(track.m_events.size(), 1u);
    const CMidiEvent& note = track.m_events.front();
    EXPECT_EQ(note.m_status, 0x90);
    EXPECT_EQ(note.m_data1, 60);
    EXPECT_EQ(note.m_data2, 64);
    EXPECT_EQ(note.m_nLength, 96u);
    EXPECT_TRUE(track.m_bActive);
    EXPECT_EQ(track.m_nChannel, 0);
}

TEST(MidiFile, OneNoteTrackEncodesAsSixteenBytes) {
    CSong song;
    song.AddTrack(0);
    song.ResetRecordPositions();
    song.RecordNote(0, 60, 384);
    CTrack& track = song.m_tracks.back();
    EXPECT_EQ(EncodedTrack(song, 1), (Bytes{0x00, 0xC0, 0x00, 0x00, 0x90, 0x3C, 0x7F, 0x83, 0x00,
                                            0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(track.EstimateSize(), 28u);
}

namespace {
struct Note {
    std::uint32_t nTime;
    std::uint8_t status;
    std::uint8_t nNote;
    std::uint32_t nLength;
    bool operator==(const Note&) const = default;
};

std::vector<Note> Notes(const CTrack& track) {
    std::vector<Note> notes;
    std::uint32_t nTime = 0;
    for (const CMidiEvent& event : track.m_events) {
        nTime += event.m_nDelta;
        notes.push_back({nTime, event.m_status, event.m_data1, event.m_nLength});
    }
    return notes;
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes Saved(CSong& song) {
    song.EncodeChunks();
    Bytes bytes;
    song.Serialise(bytes);
    song.ReleaseChunks();
    return bytes;
}
} // namespace

TEST(MidiFile, NoteEndsArePairedByChannelAndKey) {
    CSong song;
    const Bytes chunk = Concat({{0x00, 0x91, 60, 90},   // ended by note-on velocity 0
                                {0x00, 0x91, 62, 90},   // ended by a re-press at 96
                                {0x00, 0x92, 60, 90},   // other channel: ends at 200
                                {0x10, 0x81, 61, 0},    // a note-off without note: dropped
                                {0x50, 0x91, 60, 0},    // 96
                                {0x00, 0x91, 62, 80},   // 96: re-press, a note of its own
                                {0x68, 0x82, 60, 0x40}, // 200
                                {0x00, 0x91, 64, 90},   // ends at the same tick: dropped
                                {0x00, 0x81, 64, 0},    //
                                {0x10, 0x91, 62, 0},    // 216
                                {0x10, 0x91, 65, 90},   // never ends: dropped
                                {0x20, 0xB1, 7, 100},   // keeps its time 264
                                kEnd});
    ASSERT_TRUE(LoadBytes(song, MakeSmf(1, 96, {chunk})));
    const CTrack& track = song.m_tracks.front();
    EXPECT_EQ(Notes(track), (std::vector<Note>{{0, 0x91, 60, 96},
                                               {0, 0x91, 62, 96},
                                               {0, 0x92, 60, 200},
                                               {96, 0x91, 62, 120},
                                               {264, 0xB1, 7, 0}}));
    EXPECT_TRUE(track.m_bActive);
    EXPECT_EQ(track.m_nChannel, 1);
}

TEST(MidiFile, ProgramChangesAreFoldedIntoTheTrack) {
    CSong song;
    const Bytes chunk = Concat({{0x00, 0xC3, 33},
                                {0x00, 0x93, 60, 100},
                                {0x83, 0x60, 0xC3, 40}, // tick 480
                                {0x10, 0x83, 60, 0},    // tick 496
                                {0x10, 0xB3, 10, 64},   // tick 512
                                kEnd});
    ASSERT_TRUE(LoadBytes(song, MakeSmf(1, 480, {chunk})));
    CTrack& track = song.m_tracks.front();
    EXPECT_EQ(track.m_nProgram, 33);
    EXPECT_EQ(track.m_nChannel, 3);
    EXPECT_EQ(Notes(track), (std::vector<Note>{{0, 0x93, 60, 496}, {512, 0xB3, 10, 0}}));
    EXPECT_EQ(EncodedTrack(song, 0), Concat({{0x00, 0xC3, 33},
                                             {0x00, 0x93, 60, 100},
                                             {0x83, 0x70, 0x83, 60, 0},
                                             {0x10, 0xB3, 10, 64},
                                             kEnd}));
}

TEST(MidiFile, OnlyNotesOrAProgramMakeAnInstrumentTrack) {
    CSong song;
    const Bytes tempo = {0x00, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20};
    ASSERT_TRUE(LoadBytes(song, MakeSmf(1, 96, {Concat({tempo, kEnd})})));
    EXPECT_FALSE(song.m_tracks.front().m_bActive);
    // Inactive tracks are written without a program change.
    EXPECT_EQ(EncodedTrack(song, 0), Concat({tempo, kEnd}));

    // An instrument saved before anything was recorded on it comes back as an instrument.
    const Bytes instrument = Concat({{0x00, 0xC5, 17}, tempo, kEnd});
    ASSERT_TRUE(LoadBytes(song, MakeSmf(1, 96, {instrument})));
    const CTrack& track = song.m_tracks.front();
    EXPECT_TRUE(track.m_bActive);
    EXPECT_EQ(track.m_nChannel, 5);
    EXPECT_EQ(track.m_nProgram, 17);
    ASSERT_EQ(track.m_events.size(), 1u);
    EXPECT_EQ(EncodedTrack(song, 0), instrument);
}

TEST(MidiFile, TimingFollowsTheDivision) {
    CSong song;
    song.SetTempo(50);
    ASSERT_TRUE(LoadBytes(song, MakeSmf(1, 480, {kEnd})));
    EXPECT_EQ(song.m_nTicksPerQuarter, 480u);
    EXPECT_EQ(song.m_nBaseStep, 19u);
    EXPECT_EQ(song.m_nStep, 9u);
    // SMPTE: 25 frames, 40 ticks a frame.
    ASSERT_TRUE(LoadBytes(song, MakeSmf(1, 0xE728, {kEnd})));
    EXPECT_EQ(song.m_nBaseStep, 40u);
    EXPECT_EQ(song.m_nTicksPerQuarter, 1000u);
    EXPECT_EQ(song.m_nStep, 20u);
    EXPECT_EQ(Saved(song), MakeSmf(1, 0xE728, {Concat({kEnd})}));
    // No ticks at all still leaves a running clock.
    ASSERT_TRUE(LoadBytes(song, MakeSmf(1, 0xE700, {kEnd})));
    EXPECT_EQ(song.m_nBaseStep, 1u);
    ASSERT_TRUE(LoadBytes(song, MakeSmf(1, 0, {kEnd})));
    EXPECT_EQ(song.m_nBaseStep, 1u);
    EXPECT_EQ(song.m_nTicksPerQuarter, 1u);
    // A new song is saved with its own division again.
    song.Reset();
    EXPECT_EQ(Saved(song), MakeSmf(1, 384, {kEnd}));
}

TEST(MidiFile, FormatZeroIsSavedBackAsFormatZero) {
    CSong song;
    const Bytes file = MakeSmf(
        0, 120, {Concat({{0x00, 0xC0, 0}, {0x00, 0x90, 60, 127}, {0x78, 0x80, 60, 0}, kEnd})});
    ASSERT_TRUE(LoadBytes(song, file));
    EXPECT_EQ(Saved(song), file);
    // A single-track format that has grown more tracks is written as format 1.
    song.AddTrack(0);
    EXPECT_EQ(Saved(song)[9], 1);
}

TEST(MidiFile, EveryChunkIsKept) {
    for (const std::size_t nChunks : {16u, 20u}) {
        std::vector<Bytes> chunks;
        for (std::size_t i = 0; i < nChunks; ++i) {
            chunks.push_back(Concat({{0x00, static_cast<std::uint8_t>(0x90 | (i % 16)),
                                      static_cast<std::uint8_t>(40 + i), 100},
                                     {0x10, static_cast<std::uint8_t>(0x80 | (i % 16)),
                                      static_cast<std::uint8_t>(40 + i), 0},
                                     kEnd}));
        }
        CSong song;
        ASSERT_TRUE(LoadBytes(song, MakeSmf(1, 96, chunks)));
        EXPECT_EQ(song.m_nTracks, nChunks);
        ASSERT_EQ(song.m_tracks.size(), nChunks);
        EXPECT_EQ(TrackAt(song, nChunks - 1).m_events.front().m_data1, 40 + nChunks - 1);
        const Bytes saved = Saved(song);
        CSong again;
        ASSERT_TRUE(LoadBytes(again, saved));
        EXPECT_EQ(again.m_tracks.size(), nChunks);
        EXPECT_EQ(Saved(again), saved);
    }
}

TEST(MidiFile, SysExAndMetaEventsAreWrittenBackUnchanged) {
    // An active track's program change is written first, so it leads here too.
    const Bytes chunk = Concat({{0x00, 0xC0, 0},
                                {0x00, 0xFF, 0x03, 4, 'L', 'e', 'a', 'd'},
                                {0x00, 0xFF, 0x58, 4, 4, 2, 24, 8},
                                {0x00, 0xF0, 5, 0x7E, 0x7F, 0x09, 0x01, 0xF7},
                                {0x00, 0x90, 60, 127},
                                {0x60, 0x80, 60, 0},
                                {0x00, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20},
                                {0x20, 0xF7, 2, 0x43, 0x12},
                                {0x10, 0xE0, 0x00, 0x40},
                                {0x00, 0xA0, 60, 5},
                                {0x00, 0xD0, 9},
                                kEnd});
    const Bytes file = MakeSmf(1, 96, {chunk});
    CSong song;
    ASSERT_TRUE(LoadBytes(song, file));
    EXPECT_EQ(Saved(song), file);
}

TEST(MidiFile, RunningStatusIsFollowedAcrossMetaEventsAndOddBytes) {
    CSong song;
    ASSERT_TRUE(LoadBytes(song, MakeSmf(1, 96,
                                        {Concat({{0x00, 0x3C}, // no status yet: skipped
                                                 {0x00, 0x90, 0x3C, 0x40},
                                                 {0x00, 0xFF, 0x01, 1, 'x'},
                                                 {0x00, 0xF8},       // real-time: skipped
                                                 {0x05, 0x3E, 0x40}, // running status
                                                 {0x10, 0x3C, 0x00},
                                                 {0x10, 0x3E, 0x00},
                                                 {0x00, 0xB0, 0x90, 1}})}))); // bad data byte
    EXPECT_EQ(Notes(song.m_tracks.front()),
              (std::vector<Note>{{0, 0x90, 0x3C, 21}, {0, 0xFF, 0x01, 1}, {5, 0x90, 0x3E, 32}}));
}

TEST(MidiFile, DeltasAndDurationsBeyondFourBytesAreClamped) {
    CSong song;
    song.AddTrack(0);
    CTrack& track = song.m_tracks.back();
    song.ResetRecordPositions();
    song.RecordNote(0, 60, 0x10000005);
    track.m_events.back().m_nDelta = 0xFFFFFFF0;
    EXPECT_EQ(EncodedTrack(song, 1), Concat({{0x00, 0xC0, 0x00},
                                             {0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 127},
                                             {0xFF, 0xFF, 0xFF, 0x7F, 0x80, 60, 0},
                                             kEnd}));
}

TEST(MidiFile, BrokenFilesAreRefusedAndLeaveTheSongAlone) {
    CSong song;
    song.AddTrack(12);
    const std::vector<Bytes> broken = {
        {},
        {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0},
        {'M', 'T', 'h', 'x', 0, 0, 0, 6, 0, 1, 0, 1, 0, 96},
        {'M', 'T', 'h', 'd', 0, 0, 0, 7, 0, 1, 0, 0, 0, 96, 0},
        Concat({MakeSmf(1, 96, {kEnd}, 2), {'M', 'T', 'x', 'x', 0, 0, 0, 0}}),
    };
    for (const Bytes& bytes : broken) {
        EXPECT_FALSE(song.LoadMemory(bytes.data(), bytes.size()));
        ASSERT_EQ(song.m_tracks.size(), 2u);
        EXPECT_EQ(song.m_tracks.back().m_nProgram, 12);
        EXPECT_EQ(song.m_nDivision, 384u);
    }
    EXPECT_FALSE(song.Load(TempPath("does-not-exist.mid")));
    EXPECT_FALSE(song.Load(TempPath("")));
    EXPECT_FALSE(song.Load("/dev/null"));
    EXPECT_EQ(song.m_tracks.size(), 2u);
}

TEST(MidiFile, HostileLengthsNeverReadPastTheData) {
    CSong song;
    // A header announcing 65535 chunks in a 30-byte file: the one chunk there is read.
    Bytes file = MakeSmf(1, 96, {{0x00, 0x90, 60, 1, 0x01, 0x80, 60, 0}}, 65535);
    ASSERT_EQ(file.size(), 30u);
    ASSERT_TRUE(LoadBytes(song, file));
    EXPECT_EQ(song.m_tracks.size(), 1u);
    EXPECT_EQ(song.m_nTracks, 1u);
    EXPECT_EQ(Notes(song.m_tracks.front()), (std::vector<Note>{{0, 0x90, 60, 1}}));

    // A chunk longer than the file: cut to what is there.
    file = MakeSmf(1, 96, {{0x00, 0x90, 60, 1, 0x01, 0x80, 60, 0}});
    file[21] = 0xFF;
    file[20] = 0x7F;
    ASSERT_TRUE(LoadBytes(song, file));
    EXPECT_EQ(Notes(song.m_tracks.front()), (std::vector<Note>{{0, 0x90, 60, 1}}));

    // SysEx and meta lengths larger than what remains end the track.
    for (const Bytes& chunk :
         {Bytes{0x00, 0xB0, 7, 1, 0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0x7F, 1, 2},
          Bytes{0x00, 0xB0, 7, 1, 0x00, 0xFF, 0x01, 0x05, 'a', 'b'},
          Bytes{0x00, 0xB0, 7, 1, 0x00, 0xFF}, Bytes{0x00, 0xB0, 7, 1, 0x00, 0x90, 60},
          Bytes{0x00, 0xB0, 7, 1, 0x81, 0x81}}) {
        ASSERT_TRUE(LoadBytes(song, MakeSmf(1, 96, {chunk})));
        EXPECT_EQ(Notes(song.m_tracks.front()), (std::vector<Note>{{0, 0xB0, 7, 0}}));
    }

    // A variable-length number of more than four bytes saturates.
    ASSERT_TRUE(LoadBytes(
        song,
        MakeSmf(1, 96, {{0x00, 0xB0, 7, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xB0, 8, 1}})));
    EXPECT_EQ(Notes(song.m_tracks.front()),
              (std::vector<Note>{{0, 0xB0, 7, 0}, {0x0FFFFFFF, 0xB0, 8, 0}}));
    ASSERT_TRUE(LoadBytes(
        song,
        MakeSmf(1, 96, {{0x00, 0xB0, 7, 1, 0x80, 0x80, 0x80, 0x80, 0x80, 0x05, 0xB0, 8, 1}})));
    EXPECT_EQ(Notes(song.m_tracks.front()), (std::vector<Note>{{0, 0xB0, 7, 0}, {5, 0xB0, 8, 0}}));
}

TEST(MidiFile, AMillionNotesThatNeverEndLoadInOnePass) {
    // Every key of channel 0 pressed again and again, never released: each press ends the
    // previous one of its key; the last press of every key has no end and is dropped.
    constexpr std::size_t kNotes = 1000000;
    Bytes chunk = {0x00, 0x90, 0, 100};
    chunk.reserve(kNotes * 3 + 8);
    for (std::size_t i = 1; i < kNotes; ++i) {
        chunk.insert(chunk.end(), {0x01, static_cast<std::uint8_t>(i % 128), 100});
    }
    CSong song;
    ASSERT_TRUE(LoadBytes(song, MakeSmf(1, 96, {chunk})));
    const CTrack& track = song.m_tracks.front();
    ASSERT_EQ(track.m_events.size(), kNotes - 128);
    EXPECT_EQ(track.m_events.front().m_nLength, 128u);
    EXPECT_EQ(track.m_events.back().m_nLength, 128u);
}

TEST(MidiFile, SavingReplacesTheFileOnlyWhenTheWriteSucceeded) {
    const std::string path = TempPath("save-target.mid");
    const std::string tempPath = path + ".tmp";
    std::filesystem::remove_all(tempPath);
    CSong song;
    song.AddTrack(3);
    song.ResetRecordPositions();
    song.RecordNote(0, 60, 100);
    ASSERT_TRUE(song.Save(path));
    EXPECT_FALSE(std::filesystem::exists(tempPath));
    const auto nSize = std::filesystem::file_size(path);

    // The temporary file cannot be made: the old file stays whole.
    std::filesystem::create_directory(tempPath);
    song.AddTrack(4);
    EXPECT_FALSE(song.Save(path));
    EXPECT_EQ(std::filesystem::file_size(path), nSize);
    std::filesystem::remove_all(tempPath);

    CSong again;
    ASSERT_TRUE(again.Load(path));
    ASSERT_EQ(again.GetActiveTrackCount(), 1u);
    EXPECT_EQ(again.FindActiveTrack(0)->m_nProgram, 3);
    EXPECT_FALSE(song.Save(TempPath("no-such-dir/x.mid")));
}

TEST(MidiFile, TimesBeyondThirtyTwoBitsKeepTheirOrder) {
    // Twenty skipped note-offs of 2^28 - 1 ticks each put the next events past 2^32 ticks; the
    // gap is kept as the largest delta a file holds, and the two presses of the key stay apart.
    Bytes chunk = {0x00, 0x90, 60, 100};
    for (int i = 0; i < 20; ++i) {
        chunk.insert(chunk.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0x80, 61, 0});
    }
    chunk.insert(chunk.end(), {0x00, 0x90, 60, 100, 0x10, 0x80, 60, 0, 0x00, 0xB0, 7, 1});
    CSong song;
    ASSERT_TRUE(LoadBytes(song, MakeSmf(1, 96, {Concat({chunk, kEnd})})));
    EXPECT_EQ(Notes(song.m_tracks.front()), (std::vector<Note>{{0, 0x90, 60, 0x0FFFFFFF},
                                                               {0x0FFFFFFF, 0x90, 60, 16},
                                                               {0x0FFFFFFF + 16, 0xB0, 7, 0}}));
    const Bytes saved = Saved(song);
    CSong again;
    ASSERT_TRUE(LoadBytes(again, saved));
    EXPECT_EQ(Saved(again), saved);
}
