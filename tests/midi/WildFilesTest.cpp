// Files written by other programs: what python3-mido reads from them is what the song holds
// after a load, and after a save and a load again; the notes as they are heard, each with the
// program its channel has when it starts, and the end of the song.
#include "MidiTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <sstream>
#include <tuple>
#include <unordered_map>

namespace {
const std::filesystem::path kCorpus =
    std::filesystem::path(VORKELN_SOURCE_DIR) / "tests/midi/corpus";
const std::filesystem::path kWritten =
    std::filesystem::path(VORKELN_SOURCE_DIR) / "tests/midi/written";

struct SHeard {
    std::string text;
    std::size_t nNotes;
    std::uint64_t nEnd;
};

// The song's notes in the form of "mido_tool.py notes", as the player sounds them: the programs
// it sends when playback starts (as SendPrograms does), then the tracks merged in time.
SHeard NotesHeard(CSong& song) {
    std::unordered_map<const CMidiEvent*, std::uint64_t> times;
    std::uint64_t nEnd = 0;
    for (const CTrack& track : song.m_tracks) {
        std::uint64_t nTime = 0;
        for (const CMidiEvent& event : track.m_events) {
            nTime += event.m_nDelta;
            times[&event] = nTime;
            nEnd = std::max(nEnd, nTime + (event.IsNoteOn() ? event.m_nLength : 0));
        }
        nEnd = std::max<std::uint64_t>(nEnd, track.m_nEndTime);
    }
    std::array<std::uint8_t, 16> programs{};
    for (const bool bOwn : {false, true}) {
        for (const CTrack& track : song.m_tracks) {
            if (track.m_bActive && track.m_bOwnProgram == bOwn) {
                programs[track.m_nChannel] = track.m_nProgram;
            }
        }
    }
    std::vector<std::array<std::uint64_t, 5>> notes;
    song.Rewind();
    song.m_nPlayTime = CTrack::kNoTime - 1;
    const CMidiEvent* pEvent = nullptr;
    while (song.GetNextDueEvent(pEvent) && pEvent != nullptr) {
        if ((pEvent->m_status & 0xF0) == 0xC0) {
            programs[pEvent->GetChannel()] = pEvent->m_data1;
        } else if (pEvent->IsNoteOn()) {
            notes.push_back({times.at(pEvent), pEvent->GetChannel(), pEvent->m_data1,
                             pEvent->m_nLength, programs[pEvent->GetChannel()]});
        }
    }
    std::sort(notes.begin(), notes.end());
    std::ostringstream out;
    for (const auto& note : notes) {
        out << note[0] << ' ' << note[1] << ' ' << note[2] << ' ' << note[3] << ' ' << note[4]
            << '\n';
    }
    out << "end " << nEnd << '\n';
    return {out.str(), notes.size(), nEnd};
}

// "mido_tool.py notes" of every file in a directory, by name.
std::map<std::string, std::string> MidoNotes(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    std::istringstream lines(RunMidoTool("notes", dir.string()));
    std::string line;
    std::string* pCurrent = nullptr;
    while (std::getline(lines, line)) {
        if (line.rfind("file ", 0) == 0) {
            pCurrent = &files[line.substr(5)];
        } else if (pCurrent != nullptr) {
            *pCurrent += line + '\n';
        }
    }
    return files;
}

struct SFigures {
    std::size_t nFiles = 0;
    std::size_t nNotes = 0;
};

// Every .mid file of dir: mido's notes are the song's after a load, and after a save and a
// load; mido reads the same from the file saved; a second save gives the same bytes.
SFigures ExpectHeardAsMidoReadsIt(const std::filesystem::path& dir, const std::string& name) {
    SFigures figures;
    const std::map<std::string, std::string> expected = MidoNotes(dir);
    const std::filesystem::path saved = TempPath(name);
    std::filesystem::remove_all(saved);
    std::filesystem::create_directories(saved);
    for (const auto& [file, notes] : expected) {
        CSong song;
        EXPECT_TRUE(song.Load(dir / file)) << file;
        const SHeard heard = NotesHeard(song);
        EXPECT_EQ(heard.text, notes) << file << " loaded";
        figures.nNotes += heard.nNotes;
        EXPECT_TRUE(song.Save(saved / file)) << file;
        CSong again;
        EXPECT_TRUE(again.Load(saved / file)) << file;
        EXPECT_EQ(NotesHeard(again).text, notes) << file << " saved and loaded";
        EXPECT_TRUE(again.Save(saved / (file + ".again"))) << file;
        EXPECT_EQ(FileBytes(saved / (file + ".again")), FileBytes(saved / file)) << file;
        ++figures.nFiles;
    }
    EXPECT_EQ(MidoNotes(saved), expected);
    return figures;
}

// The active tracks as (channel, program, whether the program is the track's own).
using Instruments = std::vector<std::tuple<int, int, bool>>;

Instruments InstrumentsOf(const CSong& song) {
    Instruments instruments;
    for (const CTrack& track : song.m_tracks) {
        if (track.m_bActive) {
            instruments.emplace_back(track.m_nChannel, track.m_nProgram, track.m_bOwnProgram);
        }
    }
    return instruments;
}
} // namespace

TEST(WildFiles, WhereSongsLostInstrumentsNotesTheirEndOrASetUpTrack) {
    if (!HaveMido()) {
        GTEST_SKIP() << "python3 with mido is not installed";
    }
    const std::filesystem::path dir = TempPath("faults");
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string written = RunMidoTool("faults", dir.string());
    ASSERT_EQ(std::count(written.begin(), written.end(), '\n'), 4);
    const SFigures figures = ExpectHeardAsMidoReadsIt(dir, "faults-saved");
    EXPECT_EQ(figures.nFiles, 4u);

    struct SCase {
        const char* pFile;
        std::size_t nTracks;
        Instruments instruments;
        std::size_t nNotes;
        std::uint64_t nEnd;
    };
    const std::vector<SCase> cases = {
        // One track per channel, each with its own program; the drums have none.
        {"instruments.mid", 3, {{0, 40, true}, {1, 33, true}, {9, 0, false}}, 24, 768},
        // Every stroke of the cymbal; the stroke ending at its own tick is skipped.
        {"restruck.mid", 1, {{9, 0, false}}, 8, 480},
        {"loop.mid", 1, {{0, 0, false}}, 4, 1024},
        // The set-up track is no instrument; the program it gives is the one heard and listed.
        {"setup.mid", 3, {{0, 40, false}, {1, 74, true}}, 3, 192},
    };
    for (const SCase& c : cases) {
        CSong song;
        ASSERT_TRUE(song.Load(dir / c.pFile)) << c.pFile;
        EXPECT_EQ(song.m_tracks.size(), c.nTracks) << c.pFile;
        EXPECT_EQ(InstrumentsOf(song), c.instruments) << c.pFile;
        const SHeard heard = NotesHeard(song);
        EXPECT_EQ(heard.nNotes, c.nNotes) << c.pFile;
        EXPECT_EQ(heard.nEnd, c.nEnd) << c.pFile;
    }

    // The format 0 file: the meta event and the controller of a channel without notes stay in
    // the first track.
    CSong song;
    ASSERT_TRUE(song.Load(dir / "instruments.mid"));
    const CTrack& first = song.m_tracks.front();
    ASSERT_GE(first.m_events.size(), 2u);
    EXPECT_TRUE(first.m_events.front().IsMeta());
    EXPECT_EQ(std::next(first.m_events.begin())->m_status, 0xB5);

    // Recording goes to the instrument of the channel, not to the set-up track.
    ASSERT_TRUE(song.Load(dir / "setup.mid"));
    song.ResetRecordPositions();
    song.RecordNote(0, 50, 10);
    EXPECT_EQ(song.m_tracks.front().m_events.size(), 4u);
    EXPECT_EQ(TrackAt(song, 1).m_events.size(), 3u);
}

TEST(WildFiles, ACorpusOfRealFilesSoundsAndSavesAsItsAuthorsWroteIt) {
    if (!HaveMido()) {
        GTEST_SKIP() << "python3 with mido is not installed";
    }
    const SFigures figures = ExpectHeardAsMidoReadsIt(kCorpus, "corpus-saved");
    std::printf("corpus: %zu files, %zu notes compared\n", figures.nFiles, figures.nNotes);
    EXPECT_GE(figures.nFiles, 50u);
}

TEST(WildFiles, SongsThisProgramWroteBeforeSaveToTheSameBytes) {
    for (const char* pName :
         {"recorded.mid", "sixteen.mid", "no_notes_yet.mid", "resaved_mido.mid"}) {
        const Bytes bytes = FileBytes(kWritten / pName);
        ASSERT_FALSE(bytes.empty()) << pName;
        CSong song;
        ASSERT_TRUE(LoadBytes(song, bytes)) << pName;
        song.EncodeChunks();
        Bytes saved;
        song.Serialise(saved);
        EXPECT_EQ(saved, bytes) << pName;
    }
}
