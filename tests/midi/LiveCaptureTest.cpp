#include "MidiTestUtil.h"

#include "midi/LiveCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kStep = CSong::kDefaultBaseStep;

// A track's notes as "tick key length" and program changes as "tick program P".
std::vector<std::string> Events(const CTrack& track) {
    std::vector<std::string> events;
    std::uint32_t nTime = 0;
    for (const CMidiEvent& event : track.m_events) {
        nTime += event.m_nDelta;
        const std::string text = std::to_string(nTime) + " ";
        if (event.IsNoteOn()) {
            events.push_back(text + std::to_string(event.m_data1) + " " +
                             std::to_string(event.m_nLength));
        } else if ((event.m_status & 0xF0) == 0xC0) {
            events.push_back(text + "program " + std::to_string(event.m_data1));
        }
    }
    return events;
}

using Lines = std::vector<std::string>;

TEST(LiveCapture, KeepsThirtyMinutesOfALongSessionAndDropsTheRest) {
    // Two hours at 20 notes a second, in a tonality chosen before the first note.
    CLiveCapture capture;
    capture.AddTonality(0, 0x529, 9);
    std::uint32_t nTime = 0;
    for (int i = 0; i < 2 * 60 * 60 * 20; ++i, nTime += 50) {
        capture.AddNote(nTime, 0, static_cast<std::uint8_t>(36 + i % 48), 0, 96, kStep);
    }
    nTime -= 50;
    EXPECT_EQ(capture.GetNoteCount(nTime), 30u * 60 * 20 + 1);

    CSong song;
    ASSERT_TRUE(capture.MakeSong(song, nTime, 384, kStep));
    ASSERT_EQ(song.m_tracks.size(), 2u);
    // The tonality chosen long ago is in force at the start, after the tempo.
    ASSERT_EQ(TrackAt(song, 0).m_events.size(), 2u);
    EXPECT_EQ(TrackAt(song, 0).m_events.back().m_pData[4], 9);
    // The oldest note kept was struck exactly 30 minutes before the last.
    const Lines events = Events(TrackAt(song, 1));
    ASSERT_EQ(events.size(), 30u * 60 * 20 + 1);
    const int nLast = 2 * 60 * 60 * 20 - 1;
    EXPECT_EQ(events.front(), "0 " + std::to_string(36 + (nLast - 36000) % 48) + " 96");
    EXPECT_EQ(events.back(), "1350000 " + std::to_string(36 + nLast % 48) + " 96");

    // Without new notes the window moves on all the same.
    EXPECT_EQ(capture.GetNoteCount(nTime + 31 * 60 * 1000), 0u);
    EXPECT_FALSE(capture.MakeSong(song, nTime + 31 * 60 * 1000, 384, kStep));
    EXPECT_EQ(song.m_tracks.size(), 2u);
}

TEST(LiveCapture, AFloodOfNotesKeepsTheNewestWithinItsBound) {
    CLiveCapture capture;
    const std::size_t nExtra = 1000;
    for (std::size_t i = 0; i < CLiveCapture::kMaxNotes + nExtra; ++i) {
        capture.AddNote(static_cast<std::uint32_t>(i / 100), static_cast<std::uint8_t>(i % 16),
                        static_cast<std::uint8_t>(i % 128), 0, 1, kStep);
    }
    EXPECT_EQ(capture.GetNoteCount(0), CLiveCapture::kMaxNotes);
    CSong song;
    ASSERT_TRUE(capture.MakeSong(song, 0, 384, kStep));
    // Note nExtra on channel nExtra % 16 (track 1 + 8) is the oldest kept.
    EXPECT_EQ(Events(TrackAt(song, 1 + nExtra % 16)).front(),
              "0 " + std::to_string(nExtra % 128) + " 1");
}

TEST(LiveCapture, AClockThatStepsBackOrWrapsRoundKeepsTime) {
    CLiveCapture capture;
    const std::uint32_t nStart = 0xFFFFFFFFu - 999;
    capture.AddNote(nStart, 0, 60, 0, 30, kStep);
    capture.AddNote(nStart - 500, 0, 61, 0, 30, kStep);  // earlier: taken as the last time
    capture.AddNote(nStart + 2000, 0, 62, 0, 30, kStep); // past the wrap
    CSong song;
    ASSERT_TRUE(capture.MakeSong(song, nStart + 2000, 384, kStep));
    EXPECT_EQ(Events(TrackAt(song, 1)), (Lines{"0 60 30", "0 61 30", "1500 62 30"}));
}

TEST(LiveCapture, HeldKeysLastUntilReleasedOrUntilNow) {
    CLiveCapture capture;
    capture.StartHeldNote(1000, 0, 60, 0);
    capture.StartHeldNote(1200, 0, 64, 0);
    capture.EndHeldNote(1400, 0, 60);
    capture.EndHeldNote(1500, 0, 61); // never held
    capture.EndHeldNote(1600, 0, 60); // released already
    capture.AddNote(1800, 0, 67, 0, 30, kStep);
    CSong song;
    ASSERT_TRUE(capture.MakeSong(song, 2000, 384, kStep));
    // 0.75 ticks a millisecond: 60 held 400 ms, 64 still held after 800 ms.
    EXPECT_EQ(Events(TrackAt(song, 1)), (Lines{"0 60 300", "150 64 600", "600 67 30"}));
}

TEST(LiveCapture, ASavedCaptureIsHeardByMidoAsItWasPlayed) {
    if (!HaveMido()) {
        GTEST_SKIP() << "python3 with mido is not installed";
    }
    // Channels 0 and 9, the program of channel 0 changed in between, the tonality changed after
    // the first notes; durations in ticks at the step in use when they were played.
    CLiveCapture capture;
    capture.AddTonality(1000, 0x2A5, 0);
    capture.AddNote(2000, 0, 60, 0, 384, 15);
    capture.AddNote(2000, 0, 64, 0, 384, 15);
    capture.AddNote(2500, 9, 36, 0, 96, 30);
    capture.AddNote(3000, 0, 67, 40, 192, 15);
    capture.AddTonality(3500, 0x529, 9);
    const std::string dir = TempPath("capture");
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);

    // In ticks at 15 ticks per 20 ms: 750 ticks a second. First the tempo and the tonalities.
    CSong song;
    ASSERT_TRUE(capture.MakeSong(song, 4000, 384, 15));
    ASSERT_TRUE(song.Save(dir + "/last.mid"));
    const std::string dump = RunMidoTool("dump", dir + "/last.mid");
    EXPECT_TRUE(dump.starts_with("header 1 384\ntrack\nmeta 0 5107d000\nmeta 0 7f2759a50200\n"
                                 "meta 1125 7f2759290509\ntrack\n"))
        << dump;
    EXPECT_EQ(RunMidoTool("notes", dir),
              "file last.mid\n0 0 60 384 0\n0 0 64 384 0\n375 9 36 48 0\n750 0 67 192 40\n"
              "end 1125\n");

    // At any tempo in use (100, 200, 150, 700 %), a player hears the same milliseconds.
    for (const std::uint32_t nStep : {15u, 30u, 22u, 105u}) {
        ASSERT_TRUE(capture.MakeSong(song, 4000, 384, nStep));
        ASSERT_TRUE(song.Save(dir + "/last.mid"));
        EXPECT_EQ(RunMidoTool("heard", dir + "/last.mid"),
                  "0 0 60 512 0\n0 0 64 512 0\n500 9 36 64 0\n1000 0 67 256 40\n")
            << "step " << nStep;
    }
}

struct InsertCase {
    std::vector<std::uint8_t> songChannels;
    std::uint8_t nPlayed;
    std::uint8_t nInserted;
};

const InsertCase kInsertCases[] = {
    {{0, 1}, 0, 2},                                              // first free channel
    {{0, 1}, 3, 3},                                              // the channel played is free
    {{1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 0}, 4, 4}, // only drums free: kept
    {{0, 9}, 9, 9},                                              // drums stay drums
    {{}, 5, 5},
};

TEST(LiveCapture, InsertedIntoASongAsNewTracksOnChannelsOfTheirOwn) {
    for (const InsertCase& row : kInsertCases) {
        CSong song;
        for (const std::uint8_t nChannel : row.songChannels) {
            song.AddTrack(7);
            song.m_tracks.back().m_nChannel = nChannel;
        }
        song.SetTempo(200);
        CLiveCapture capture;
        capture.AddNote(100, row.nPlayed, 60, 33, 384, 15);
        capture.AddNote(600, row.nPlayed, 62, 34, 384, 15);
        ASSERT_TRUE(capture.AddToSong(song, 600, 768));
        ASSERT_EQ(song.m_tracks.size(), row.songChannels.size() + 2);
        const CTrack& track = song.m_tracks.back();
        EXPECT_TRUE(track.m_bActive);
        EXPECT_EQ(track.m_nChannel, row.nInserted);
        EXPECT_EQ(track.m_nProgram, 33);
        // At the song's 30 ticks per 20 ms: the notes keep their milliseconds.
        EXPECT_EQ(Events(track), (Lines{"768 60 768", "1518 program 34", "1518 62 768"}));
    }
    CSong song;
    EXPECT_FALSE(CLiveCapture().AddToSong(song, 0));
    EXPECT_EQ(song.m_tracks.size(), 1u);
}

} // namespace
