#include "MidiTestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>

namespace {
std::string Hex(const std::uint8_t* p, std::size_t n) {
    std::string text;
    char digits[3];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", p[i]);
        text += digits;
    }
    return text;
}

// The song in the canonical text form of mido_tool.py.
std::string Canonical(const CSong& song) {
    std::ostringstream out;
    out << "header " << song.m_nFormat << ' ' << song.m_nDivision << '\n';
    for (const CTrack& track : song.m_tracks) {
        out << "track\n";
        if (track.m_bActive && track.m_bOwnProgram) {
            out << "program " << int{track.m_nChannel} << ' ' << int{track.m_nProgram} << '\n';
        }
        std::uint32_t nTime = 0;
        for (const CMidiEvent& event : track.m_events) {
            nTime += event.m_nDelta;
            if (event.IsNoteOn()) {
                out << "note " << nTime << ' ' << int{event.GetChannel()} << ' '
                    << int{event.m_data1} << ' ' << event.m_nLength << '\n';
            } else if (event.IsChannelMessage()) {
                const std::uint8_t bytes[3] = {event.m_status, event.m_data1, event.m_data2};
                const std::uint8_t nType = event.m_status & 0xF0;
                out << "chan " << nTime << ' ' << Hex(bytes, nType == 0xC0 || nType == 0xD0 ? 2 : 3)
                    << '\n';
            } else if (event.IsMeta()) {
                out << "meta " << nTime << ' ' << Hex(&event.m_data1, 1)
                    << Hex(event.m_pData.get(), event.m_nLength) << '\n';
            } else if (event.m_status == CMidiEvent::kSysEx) {
                std::size_t n = event.m_nLength;
                if (n > 0 && event.m_pData[n - 1] == 0xF7) {
                    --n;
                }
                out << "sysex " << nTime << ' ' << Hex(event.m_pData.get(), n) << '\n';
            }
        }
    }
    return out.str();
}

Bytes ReadAll(const std::string& path) {
    CMidiFile file;
    Bytes bytes;
    if (file.Read(path)) {
        file.Serialise(bytes);
    }
    return bytes;
}

// A song as recording makes it: an inactive first track with scale events, instrument tracks
// with chords, repeated keys (also while still sounding) and long notes.
void FillRandomSong(CSong& song, unsigned nSeed) {
    std::mt19937 random(nSeed);
    song.Reset();
    for (int i = 0; i < 4; ++i) {
        song.AddTrack(static_cast<std::uint8_t>(random() % 128));
    }
    song.ResetRecordPositions();
    for (int nTick = 0; nTick < 400; ++nTick) {
        song.SetTempo(50 + random() % 200);
        song.AdvanceRecordTime();
        const unsigned nNotes = random() % 4;
        for (unsigned i = 0; i < nNotes; ++i) {
            song.RecordNote(static_cast<std::uint8_t>(random() % 4),
                            static_cast<std::uint8_t>(50 + random() % 12), 1 + random() % 1000);
        }
        if (random() % 50 == 0) {
            song.RecordScale(static_cast<std::uint16_t>(random() % 0x800),
                             static_cast<std::uint8_t>(random() % 12));
        }
    }
}
} // namespace

TEST(MidiRoundTrip, EveryWrittenFileReadsBackIdentical) {
    for (unsigned nSeed = 1; nSeed <= 20; ++nSeed) {
        CSong song;
        FillRandomSong(song, nSeed);
        const std::string path = TempPath("roundtrip.mid");
        ASSERT_TRUE(song.Save(path));
        const Bytes first = ReadAll(path);
        CSong again;
        ASSERT_TRUE(again.Load(path));
        ASSERT_TRUE(again.Save(path));
        EXPECT_EQ(ReadAll(path), first) << "seed " << nSeed;
        CSong third;
        ASSERT_TRUE(third.Load(path));
        EXPECT_EQ(Canonical(third), Canonical(again)) << "seed " << nSeed;
    }
}

TEST(MidiRoundTrip, AKeyStruckAgainWhileSoundingKeepsBothNotes) {
    CSong song;
    song.AddTrack(0);
    song.ResetRecordPositions();
    song.RecordNote(0, 60, 100);
    song.AdvanceRecordTime();
    song.AdvanceRecordTime();
    song.AdvanceRecordTime(); // tick 45
    song.RecordNote(0, 60, 100);
    EXPECT_EQ(EncodedTrack(song, 1),
              (Bytes{0x00, 0xC0, 0x00, 0x00, 0x90, 60, 127, 0x2D, 0x80, 60,   0,   0x00,
                     0x90, 60,   127,  0x64, 0x80, 60, 0,   0x00, 0xFF, 0x2F, 0x00}));
}

TEST(MidoInterop, MidoReadsEveryFileWeWrite) {
    if (!HaveMido()) {
        GTEST_SKIP() << "python3 with mido is not installed";
    }
    for (unsigned nSeed = 1; nSeed <= 5; ++nSeed) {
        CSong song;
        FillRandomSong(song, nSeed);
        const std::string path = TempPath("for-mido.mid");
        ASSERT_TRUE(song.Save(path));
        // What we wrote, as we read it back, against what mido reads.
        CSong written;
        ASSERT_TRUE(written.Load(path));
        EXPECT_EQ(RunMidoTool("dump", path), Canonical(written)) << "seed " << nSeed;
    }
}

TEST(MidoInterop, FilesWrittenByMidoLoadWithTheRightDurations) {
    if (!HaveMido()) {
        GTEST_SKIP() << "python3 with mido is not installed";
    }
    std::filesystem::create_directories(TempPath("mido"));
    std::istringstream names(RunMidoTool("write", TempPath("mido")));
    std::string path;
    int nFiles = 0;
    while (std::getline(names, path)) {
        ++nFiles;
        CSong song;
        ASSERT_TRUE(song.Load(path)) << path;
        EXPECT_EQ(Canonical(song), RunMidoTool("dump", path)) << path;
        // Saved again, mido still agrees.
        const std::string saved = path + ".saved.mid";
        ASSERT_TRUE(song.Save(saved));
        EXPECT_EQ(Canonical(song), RunMidoTool("dump", saved)) << path;
    }
    ASSERT_EQ(nFiles, 2);

    // The format 0 file with running status and note-ons of velocity 0 as note-offs.
    CSong song;
    ASSERT_TRUE(song.Load(TempPath("mido/mido_format0.mid")));
    EXPECT_EQ(song.m_nFormat, 0u);
    ASSERT_EQ(song.m_tracks.size(), 1u);
    const CTrack& track = song.m_tracks.front();
    EXPECT_EQ(track.m_nChannel, 2);
    EXPECT_EQ(track.m_nProgram, 19);
    std::vector<std::uint32_t> lengths;
    for (const CMidiEvent& event : track.m_events) {
        if (event.IsNoteOn()) {
            lengths.push_back(event.m_nLength);
        }
    }
    EXPECT_EQ(lengths, (std::vector<std::uint32_t>{96, 144, 200}));
}
