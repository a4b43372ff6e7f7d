#include "theory/ChordNamer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Notes = std::vector<std::uint8_t>;

const char* const kRoots[12] = {"C", "Cis", "D", "Dis", "E", "F", "Fis", "G", "Gis", "A", "B", "H"};

// The pitch class of the longest note name text starts with, and that name's length.
int NoteAt(const std::string& text, std::size_t& nLength) {
    int nPitchClass = 0;
    nLength = 0;
    for (int pc = 0; pc < 12; ++pc) {
        const std::size_t n = std::strlen(kRoots[pc]);
        if (n > nLength && text.compare(0, n, kRoots[pc]) == 0) {
            nPitchClass = pc;
            nLength = n;
        }
    }
    return nPitchClass;
}

// A name written for C, moved up by nSemitones: its root and bass move, the rest stays.
std::string Transposed(const std::string& name, int nSemitones) {
    std::size_t nLength = 0;
    std::string text = kRoots[(NoteAt(name, nLength) + nSemitones) % 12];
    const std::size_t nSlash = name.find('/');
    text += name.substr(nLength, nSlash - nLength);
    if (nSlash != std::string::npos)
        text +=
            std::string("/") + kRoots[(NoteAt(name.substr(nSlash + 1), nLength) + nSemitones) % 12];
    return text;
}

struct ChordCase {
    std::vector<int> intervals;
    std::vector<std::string> names; // root position, then each further tone in the bass
};

// Every triad and seventh on C; where another reading has its root in the bass, that wins.
const ChordCase kChords[] = {
    {{0, 4, 7}, {"C", "C/E", "C/G"}},
    {{0, 3, 7}, {"Cm", "Cm/Dis", "Cm/G"}},
    {{0, 3, 6}, {"Cdim", "Cdim/Dis", "Cdim/Fis"}},
    {{0, 4, 8}, {"Caug", "Eaug", "Gisaug"}},
    {{0, 5, 7}, {"Csus4", "Fsus2", "Csus4/G"}},
    {{0, 2, 7}, {"Csus2", "Gsus4/D", "Gsus4"}},
    {{0, 4, 7, 10}, {"C7", "C7/E", "C7/G", "C7/B"}},
    {{0, 4, 7, 11}, {"Cmaj7", "Cmaj7/E", "Cmaj7/G", "Cmaj7/H"}},
    {{0, 3, 7, 10}, {"Cm7", "Dis6", "Cm7/G", "Cm7/B"}},
    {{0, 3, 6, 10}, {"Cm7b5", "Dism6", "Cm7b5/Fis", "Cm7b5/B"}},
    {{0, 3, 6, 9}, {"Cdim7", "Disdim7", "Fisdim7", "Adim7"}},
    {{0, 3, 7, 11}, {"Cmmaj7", "Cmmaj7/Dis", "Cmmaj7/G", "Cmmaj7/H"}},
    {{0, 5, 7, 10}, {"C7sus4", "C7sus4/F", "C7sus4/G", "C7sus4/B"}},
    {{0, 4, 8, 10}, {"C7#5", "C7#5/E", "C7#5/Gis", "C7#5/B"}},
    {{0, 4, 7, 9}, {"C6", "Am7/E", "Am7/G", "Am7"}},
    {{0, 2, 4, 7}, {"Cadd9", "Cadd9/D", "Cadd9/E", "Cadd9/G"}},
    {{0, 2, 4, 7, 10}, {"C9", "C9/D", "C9/E", "C9/G", "C9/B"}},
};

TEST(ChordNamer, EveryChordInEveryRootAndInversion) {
    for (const ChordCase& chord : kChords) {
        for (int nRoot = 0; nRoot < 12; ++nRoot) {
            for (std::size_t nInversion = 0; nInversion < chord.intervals.size(); ++nInversion) {
                // The bass in octave 3 and doubled two octaves up, the other tones spread above.
                const int nBass = 48 + (nRoot + chord.intervals[nInversion]) % 12;
                Notes notes = {static_cast<std::uint8_t>(nBass + 24)};
                for (const int nInterval : chord.intervals) {
                    const int nAbove = ((nRoot + nInterval - nBass) % 12 + 12) % 12;
                    notes.push_back(static_cast<std::uint8_t>(nBass + nAbove + 12 * (nAbove > 0)));
                }
                EXPECT_EQ(CChordNamer::Name(notes), Transposed(chord.names[nInversion], nRoot))
                    << chord.names[0] << " on " << nRoot << ", inversion " << nInversion;
            }
        }
    }
}

// "notes = name;". Nothing, one note (also in several octaves), values that are no MIDI notes;
// intervals above the lower note, reduced into the octave; the program's spelling (B is B flat,
// H is B); sevenths and ninths without their fifth; sets without a name, from the bass up.
const char* const kNamedNotes =
    " = ;60 = c;70 58 82 = b;200 = ;61 200 = cis;60 61 = minor second;60 62 = major second;"
    "60 63 = minor third;60 64 = major third;60 65 = fourth;60 66 = tritone;60 67 = fifth;"
    "60 68 = minor sixth;60 69 = major sixth;60 70 = minor seventh;60 71 = major seventh;"
    "76 60 = major third;64 72 = minor sixth;48 55 67 60 = fifth;70 74 77 = B;71 75 78 = H;"
    "58 61 65 = Bm;62 65 70 = B/D;60 64 70 = C7;60 63 70 = Cm7;57 61 68 = Amaj7;"
    "60 64 70 74 = C9;60 61 62 = c cis d;64 72 73 74 = e c cis d;60 64 66 = c e fis;"
    "60 61 62 63 64 65 66 67 68 69 70 71 = c cis d dis e f fis g gis a b h;";

TEST(ChordNamer, SpellingIntervalsAndSetsWithoutAName) {
    std::istringstream rows(kNamedNotes);
    for (std::string row; std::getline(rows, row, ';');) {
        std::istringstream in(row.substr(0, row.find('=')));
        Notes notes;
        for (int nNote = 0; in >> nNote;)
            notes.push_back(static_cast<std::uint8_t>(nNote));
        EXPECT_EQ(CChordNamer::Name(notes), row.substr(row.find('=') + 2)) << row;
    }
    // A bass given that does not sound is the lowest pitch class.
    EXPECT_EQ(CChordNamer::Name(CChordNamer::PitchClassesOf(Notes{64, 67, 72}), 2), "C");
}

} // namespace
