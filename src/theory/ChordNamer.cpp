#include "theory/ChordNamer.h"

#include "theory/Scale.h"

#include <array>
#include <bit>
#include <cctype>
#include <initializer_list>

namespace {

constexpr unsigned kAllPitchClasses = 0xFFF;
constexpr std::uint8_t kNoChord = 0xFF;

constexpr std::uint16_t Tones(std::initializer_list<int> tones) {
    unsigned wMask = 0;
    for (const int nTone : tones)
        wMask |= 1u << nTone;
    return static_cast<std::uint16_t>(wMask);
}

struct SChordType {
    std::uint16_t wIntervals; // bit n: a tone n semitones above the root
    const char* pszSuffix;
};

// Most common reading first: when the bass cannot be the root, the earliest row wins.
constexpr SChordType kChordTypes[] = {
    {Tones({0, 4, 7}), ""},
    {Tones({0, 3, 7}), "m"},
    {Tones({0, 3, 6}), "dim"},
    {Tones({0, 4, 8}), "aug"},
    {Tones({0, 5, 7}), "sus4"},
    {Tones({0, 2, 7}), "sus2"},
    {Tones({0, 4, 7, 10}), "7"},
    {Tones({0, 4, 7, 11}), "maj7"},
    {Tones({0, 3, 7, 10}), "m7"},
    {Tones({0, 3, 6, 10}), "m7b5"},
    {Tones({0, 3, 6, 9}), "dim7"},
    {Tones({0, 3, 7, 11}), "mmaj7"},
    {Tones({0, 5, 7, 10}), "7sus4"},
    {Tones({0, 4, 8, 10}), "7#5"},
    {Tones({0, 4, 8, 11}), "maj7#5"},
    {Tones({0, 4, 6, 10}), "7b5"},
    {Tones({0, 4, 7, 9}), "6"},
    {Tones({0, 3, 7, 9}), "m6"},
    {Tones({0, 2, 4, 7}), "add9"},
    {Tones({0, 2, 3, 7}), "madd9"},
    {Tones({0, 2, 4, 7, 10}), "9"},
    {Tones({0, 2, 4, 7, 11}), "maj9"},
    {Tones({0, 2, 3, 7, 10}), "m9"},
    {Tones({0, 1, 4, 7, 10}), "7b9"},
    {Tones({0, 3, 4, 7, 10}), "7#9"},
    {Tones({0, 2, 4, 7, 9}), "6/9"},
    {Tones({0, 2, 4, 5, 7, 10}), "11"},
    {Tones({0, 2, 3, 5, 7, 10}), "m11"},
    {Tones({0, 2, 4, 7, 9, 10}), "13"},
    // The fifth is the tone players leave out first.
    {Tones({0, 4, 10}), "7"},
    {Tones({0, 4, 11}), "maj7"},
    {Tones({0, 3, 10}), "m7"},
    {Tones({0, 2, 4, 10}), "9"},
    {Tones({0, 2, 4, 11}), "maj9"},
    {Tones({0, 2, 3, 10}), "m9"},
};

// The row of every interval set seen from its root, found by one look-up.
constexpr std::array<std::uint8_t, 4096> kChordOfIntervals = [] {
    std::array<std::uint8_t, 4096> table{};
    table.fill(kNoChord);
    for (std::size_t i = 0; i < std::size(kChordTypes); ++i)
        if (table[kChordTypes[i].wIntervals] == kNoChord)
            table[kChordTypes[i].wIntervals] = static_cast<std::uint8_t>(i);
    return table;
}();

constexpr const char* kIntervalNames[12] = {
    "",        "minor second", "major second", "minor third", "major third",   "fourth",
    "tritone", "fifth",        "minor sixth",  "major sixth", "minor seventh", "major seventh",
};

// The pitch classes as intervals above nRoot.
unsigned IntervalsAbove(unsigned wSet, int nRoot) {
    return ((wSet >> nRoot) | (wSet << (12 - nRoot))) & kAllPitchClasses;
}

const char* NoteName(int nPitchClass) {
    return CScale::kKeynoteNames[static_cast<std::size_t>(nPitchClass)];
}

void AppendRootName(std::string& text, int nPitchClass) {
    const std::size_t nStart = text.size();
    text += NoteName(nPitchClass);
    text[nStart] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[nStart])));
}

} // namespace

std::uint16_t CChordNamer::PitchClassesOf(std::span<const std::uint8_t> notes) {
    unsigned wSet = 0;
    for (const std::uint8_t nNote : notes)
        if (nNote < 128)
            wSet |= 1u << (nNote % 12);
    return static_cast<std::uint16_t>(wSet);
}

std::string CChordNamer::Name(std::span<const std::uint8_t> notes) {
    int nLowest = 128;
    for (const std::uint8_t nNote : notes)
        if (nNote < nLowest)
            nLowest = nNote;
    return Name(PitchClassesOf(notes), nLowest % 12);
}

std::string CChordNamer::Name(std::uint16_t wPitchClasses, int nBass) {
    const unsigned wSet = wPitchClasses & kAllPitchClasses;
    if (wSet == 0)
        return {};
    if (nBass < 0 || nBass > 11 || ((wSet >> nBass) & 1) == 0)
        nBass = std::countr_zero(wSet);

    std::string text;
    switch (std::popcount(wSet)) {
    case 1:
        return NoteName(nBass);
    case 2:
        // The other note's distance above the bass.
        return kIntervalNames[std::countr_zero(IntervalsAbove(wSet, nBass) & ~1u)];
    default:
        break;
    }

    int nRoot = -1;
    std::uint8_t nType = kChordOfIntervals[IntervalsAbove(wSet, nBass)];
    if (nType != kNoChord) {
        nRoot = nBass;
    } else {
        for (int r = 0; r < 12; ++r) {
            if (((wSet >> r) & 1) == 0)
                continue;
            const std::uint8_t nRow = kChordOfIntervals[IntervalsAbove(wSet, r)];
            if (nRow < nType) {
                nType = nRow;
                nRoot = r;
            }
        }
    }

    if (nRoot < 0) {
        // No known chord: the notes, from the bass upward.
        for (int i = 0; i < 12; ++i) {
            const int nPitchClass = (nBass + i) % 12;
            if ((wSet >> nPitchClass) & 1) {
                if (!text.empty())
                    text += ' ';
                text += NoteName(nPitchClass);
            }
        }
        return text;
    }
    AppendRootName(text, nRoot);
    text += kChordTypes[nType].pszSuffix;
    if (nRoot != nBass) {
        text += '/';
        AppendRootName(text, nBass);
    }
    return text;
}
