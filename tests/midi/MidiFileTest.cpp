#include "MidiTestUtil.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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
    // The two channels become two tracks.
    ASSERT_EQ(song.m_tracks.size(), 2u);
    const CTrack& track = song.m_tracks.front();
    EXPECT_EQ(Notes(track),
              (std::vector<Note>{
                  {0, 0x91, 60, 96}, {0, 0x91, 62, 96}, {96, 0x91, 62, 120}, {264, 0xB1, 7, 0}}));
    EXPECT_TRUE(track.m_bActive);
    EXPECT_EQ(track.m_nChannel, 1);
    EXPECT_EQ(Notes(song.m_tracks.back()), (std::vector<Note>{{0, 0x92, 60, 200}}));
    EXPECT_EQ(song.m_tracks.back().m_nChannel, 2);
}

TEST(MidiFile, TheFirstProgramChangeIsTheInstrumentAndLaterOnesStay) {
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
    EXPECT_TRUE(track.m_bOwnProgram);
    EXPECT_EQ(Notes(track),
              (std::vector<Note>{{0, 0x93, 60, 496}, {480, 0xC3, 40, 0}, {512, 0xB3, 10, 0}}));
    EXPECT_EQ(EncodedTrack(song, 0), chunk);
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

TEST(MidiFile, FormatZeroIsSavedAsFormatOne) {
    // The song keeps a track for each channel, which format 0 cannot hold.
    CSong song;
    const Bytes chunk = Concat({{0x00, 0xC0, 0}, {0x00, 0x90, 60, 127}, {0x78, 0x80, 60, 0}, kEnd});
    ASSERT_TRUE(LoadBytes(song, MakeSmf(0, 120, {chunk})));
    EXPECT_EQ(Saved(song), MakeSmf(1, 120, {chunk}));
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
                                                 {0x00, 0xB0, 0x07, 0xFF},    // bad second byte
                                                 {0x02, 0x0A, 0x90},          // the same, running
                                                 {0x03, 0x07, 0x64},          // kept at 42
                                                 {0x00, 0x90, 0x3C, 0x90},    // bad velocity
                                                 {0x10, 0x3C, 0x00},          // so nothing ends
                                                 {0x00, 0xB0, 0x90, 1}})}))); // bad data byte
    EXPECT_EQ(
        Notes(song.m_tracks.front()),
        (std::vector<Note>{
            {0, 0x90, 0x3C, 21}, {0, 0xFF, 0x01, 1}, {5, 0x90, 0x3E, 32}, {42, 0xB0, 0x07, 0}}));

    // A note-off's second byte means nothing: a bad one still ends the note.
    ASSERT_TRUE(LoadBytes(
        song, MakeSmf(1, 96, {Concat({{0x00, 0x90, 0x3C, 0x40}, {0x60, 0x80, 0x3C, 0xC0}})})));
    EXPECT_EQ(Notes(song.m_tracks.front()), (std::vector<Note>{{0, 0x90, 0x3C, 96}}));
}

TEST(MidiFile, ChannelDataIsWrittenInSevenBits) {
    // Whatever a track holds, no data byte written can be taken for a status byte.
    CSong song;
    song.AddTrack(0x85);
    CMidiEvent control;
    control.m_status = 0xB0;
    control.m_data1 = 0x87;
    control.m_data2 = 0xFF;
    song.m_tracks.back().m_events.push_back(std::move(control));
    EXPECT_EQ(EncodedTrack(song, 1), Concat({{0x00, 0xC0, 0x05}, {0x00, 0xB0, 0x07, 0x7F}, kEnd}));
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
        // Tracks announced but not one there, or not even a whole chunk header.
        MakeSmf(1, 96, {}, 1),
        Concat({MakeSmf(1, 96, {}, 2), {'M', 'T', 'r', 'k', 0, 0, 0}}),
    };
    for (const Bytes& bytes : broken) {
        EXPECT_FALSE(song.LoadMemory(bytes.data(), bytes.size()));
        ASSERT_EQ(song.m_tracks.size(), 2u);
        EXPECT_EQ(song.m_tracks.back().m_nProgram, 12);
        EXPECT_EQ(song.m_nDivision, 384u);
    }
    // A file that does not load says why: the system's reason, or that it holds no song.
    const std::filesystem::path junk = TempPath("junk.mid");
    WriteFile(junk, {'M', 'T', 'h', 'd'});
    const struct {
        std::filesystem::path path;
        const char* pszReason;
    } refused[] = {
        {TempPath("does-not-exist.mid"), "No such file or directory"},
        {junk / "x.mid", "Not a directory"},
        {TempPath(""), "not a readable MIDI file"},
        {"/dev/null", "not a readable MIDI file"},
        {junk, "not a readable MIDI file"},
    };
    for (const auto& r : refused) {
        const CFileResult result = song.Load(r.path);
        EXPECT_FALSE(result) << r.path;
        EXPECT_EQ(result.GetReason(), r.pszReason) << r.path;
        EXPECT_EQ(song.m_tracks.size(), 2u) << r.path;
    }

    // No size is too large in itself: what follows the chunks the header announces is not read.
    const std::filesystem::path big = TempPath("big.mid");
    WriteFile(big, MakeSmf(1, 96, {kEnd}));
    std::filesystem::resize_file(big, 17 * 1024 * 1024);
    CSong other;
    EXPECT_TRUE(other.Load(big));
    std::filesystem::remove(big);
}

TEST(MidiFile, RecordingOfMoreThanTwentyMegabytesSavesAndOpensAgain) {
    // Four instruments recording a chord every tick: some 8 bytes a note in the file.
    constexpr std::uint32_t kTicks = 680000;
    CSong song;
    for (std::uint8_t nProgram = 0; nProgram < 4; ++nProgram) {
        song.AddTrack(nProgram);
    }
    song.ResetRecordPositions();
    for (std::uint32_t i = 0; i < kTicks; ++i) {
        for (std::uint8_t nChannel = 0; nChannel < 4; ++nChannel) {
            song.RecordNote(nChannel, static_cast<std::uint8_t>(36 + (i + 7 * nChannel) % 60), 10);
        }
        song.AdvanceRecordTime();
    }
    const std::filesystem::path path = FreshDir("long") / "long.mid";
    ASSERT_TRUE(song.Save(path));
    EXPECT_GT(std::filesystem::file_size(path), 20u * 1024 * 1024);
    EXPECT_FALSE(song.IsModified());

    CSong again;
    ASSERT_TRUE(again.Load(path));
    ASSERT_EQ(again.GetActiveTrackCount(), 4u);
    for (std::size_t n = 0; n < 4; ++n) {
        EXPECT_EQ(again.FindActiveTrack(n)->m_events.size(), kTicks) << n;
        EXPECT_EQ(AbsoluteTimes(*again.FindActiveTrack(n)).back(),
                  (kTicks - 1) * CSong::kDefaultBaseStep);
    }
    Bytes first;
    Bytes second;
    ASSERT_TRUE(song.SaveMemory(first));
    ASSERT_TRUE(again.SaveMemory(second));
    EXPECT_EQ(first, second);
    std::filesystem::remove(path);
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
    const std::filesystem::path dir = FreshDir("save");
    const std::filesystem::path path = dir / "song.mid";
    // Someone else's file, under a name a temporary file could have had.
    const std::filesystem::path other = dir / "song.mid.tmp";
    const Bytes otherBytes = {'k', 'e', 'e', 'p'};
    WriteFile(other, otherBytes);
    const std::vector<std::string> files = {"song.mid", "song.mid.tmp"};
    CSong song;
    song.AddTrack(3);
    song.ResetRecordPositions();
    song.RecordNote(0, 60, 100);
    ASSERT_TRUE(song.Save(path));
    ASSERT_TRUE(song.Save(path));
    EXPECT_EQ(FilesIn(dir), files);
    EXPECT_EQ(FileBytes(other), otherBytes);
    const Bytes saved = FileBytes(path);

    // The write fails part way, as on a full disk: the old file stays whole, nothing is left.
    song.AddTrack(4);
    for (std::uint8_t nNote = 40; nNote < 90; ++nNote) {
        song.AdvanceRecordTime();
        song.RecordNote(1, nNote, 10);
    }
    rlimit unlimited{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    rlimit limit = unlimited;
    limit.rlim_cur = saved.size();
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const bool bLimited = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    const CFileResult saveResult = bLimited ? song.Save(path) : CFileResult();
    if (bLimited) {
        setrlimit(RLIMIT_FSIZE, &unlimited);
    }
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(bLimited);
    EXPECT_EQ(saveResult.GetError(), std::errc::file_too_large);
    EXPECT_EQ(FileBytes(path), saved);
    EXPECT_EQ(FilesIn(dir), files);

    CSong again;
    ASSERT_TRUE(again.Load(path));
    ASSERT_EQ(again.GetActiveTrackCount(), 1u);
    EXPECT_EQ(again.FindActiveTrack(0)->m_nProgram, 3);
    EXPECT_EQ(song.Save(dir / "no-such-dir" / "x.mid").GetError(),
              std::errc::no_such_file_or_directory);
    EXPECT_EQ(FilesIn(dir), files);
}

TEST(MidiFile, SavingKeepsLinksAndPermissions) {
    using std::filesystem::perms;
    const std::filesystem::path dir = FreshDir("save-links");
    const std::filesystem::path real = dir / "real.mid";
    CSong song;
    song.AddTrack(3);
    ASSERT_TRUE(song.Save(real));
    const perms mode = perms::owner_read | perms::owner_write | perms::group_read;
    std::filesystem::permissions(real, mode);
    // A relative link in another directory, reached through an absolute link.
    std::filesystem::create_directory(dir / "links");
    std::filesystem::create_symlink("../real.mid", dir / "links" / "song.mid");
    std::filesystem::create_symlink(dir / "links" / "song.mid", dir / "chain.mid");

    song.AddTrack(4);
    ASSERT_TRUE(song.Save(dir / "chain.mid"));
    EXPECT_EQ(std::filesystem::read_symlink(dir / "chain.mid"), dir / "links" / "song.mid");
    EXPECT_EQ(std::filesystem::read_symlink(dir / "links" / "song.mid"), "../real.mid");
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"chain.mid", "links", "real.mid"}));
    EXPECT_EQ(FilesIn(dir / "links"), (std::vector<std::string>{"song.mid"}));
    CSong again;
    ASSERT_TRUE(again.Load(real));
    EXPECT_EQ(again.GetActiveTrackCount(), 2u);
    EXPECT_EQ(std::filesystem::status(real).permissions(), mode);

    // A link to a file not there yet makes the file; a new file gets the mode any new file gets.
    std::filesystem::create_symlink("later.mid", dir / "pending.mid");
    ASSERT_TRUE(song.Save(dir / "pending.mid"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "pending.mid"));
    EXPECT_EQ(FileBytes(dir / "later.mid"), FileBytes(real));
    WriteFile(dir / "plain", {});
    EXPECT_EQ(std::filesystem::status(dir / "later.mid").permissions(),
              std::filesystem::status(dir / "plain").permissions());

    // As many links as the system follows, and a name about as long as it allows.
    std::filesystem::path link = real;
    for (int i = 0; i < 40; ++i) {
        const std::filesystem::path next = dir / ("hop" + std::to_string(i));
        std::filesystem::create_symlink(link, next);
        link = next;
    }
    song.AddTrack(5);
    ASSERT_TRUE(song.Save(link));
    ASSERT_TRUE(again.Load(real));
    EXPECT_EQ(again.GetActiveTrackCount(), 3u);
    const std::filesystem::path longName = dir / (std::string(245, 'n') + ".mid");
    EXPECT_TRUE(song.Save(longName));
    EXPECT_EQ(FileBytes(longName), FileBytes(real));
}

TEST(MidiFile, WhatTheHeaderCannotCountOrReadingWouldRefuseIsNotSaved) {
    const std::filesystem::path dir = FreshDir("save-many");
    const std::filesystem::path path = dir / "many.mid";
    CSong song;
    while (song.m_tracks.size() < 65535) {
        song.m_tracks.emplace_back();
    }
    ASSERT_TRUE(song.Save(path));
    const Bytes saved = FileBytes(path);
    ASSERT_GE(saved.size(), 12u);
    EXPECT_EQ(saved[10], 0xFF);
    EXPECT_EQ(saved[11], 0xFF);

    song.m_tracks.emplace_back();
    EXPECT_EQ(song.Save(path).GetError(), EFileError::Unwritable);
    EXPECT_EQ(FileBytes(path), saved);
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"many.mid"}));
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
