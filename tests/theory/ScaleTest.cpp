#include "theory/Scale.h"
#include "theory/ModeFlags.h"
#include "theory/MouseKeys.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Notes = std::vector<int>;

std::uint32_t ChordKey(int nKey) {
    // Keys 1..9 are bits 16..24, key 0 is bit 25, '-' bit 26, '=' bit 27.
    const int nBit = nKey == 0 ? 25 : nKey == '-' ? 26 : nKey == '=' ? 27 : 15 + nKey;
    return 1u << nBit;
}

// The flags word as the view stores it: chord keys, the size they give, the inversion.
std::uint32_t ChordFlags(std::initializer_list<int> keys, unsigned nInversion = 0,
                         std::uint32_t dwExtra = 0) {
    std::uint32_t dw = dwExtra;
    for (int k : keys)
        dw |= ChordKey(k);
    const auto n = static_cast<std::uint32_t>(CScale::GetChordSize(dw));
    return dw | (n << kChordSizeShift) | ((nInversion % n) << kInversionShift);
}

Notes Chord(CScale& scale, std::uint8_t nRoot, std::uint32_t dwFlags) {
    const std::uint8_t* pNotes = nullptr;
    std::uint8_t nCount = 0xFF;
    EXPECT_TRUE(scale.BuildChord(pNotes, nCount, nRoot, dwFlags));
    return Notes(pNotes, pNotes + nCount);
}

Notes WhitePitchClasses(const CScale& scale) {
    Notes notes;
    for (int pc = 0; pc < 12; ++pc)
        if (!(scale.m_pitchClass[static_cast<std::size_t>(pc)] & 1))
            notes.push_back(pc);
    return notes;
}

Notes WhiteDegrees(const CScale& scale) {
    Notes notes;
    for (int d = 0; d < 12; ++d)
        if (!(scale.m_degree[static_cast<std::size_t>(d)] & 1))
            notes.push_back(d);
    return notes;
}

std::string Tonality(const CScale& scale) {
    return std::string(scale.GetName()) + " : " + scale.GetKeynoteName();
}

Notes ThirdsOn(const CScale& scale, const Notes& degrees) {
    Notes thirds;
    for (int d : degrees)
        thirds.push_back(scale.m_third[static_cast<std::size_t>(d)]);
    return thirds;
}

// Checks what every operation must leave behind.
void ExpectConsistent(const CScale& scale) {
    ASSERT_LT(scale.m_nKeynote, 12);
    EXPECT_EQ(scale.m_degree[0], CScale::kKeynote);
    for (int d = 1; d < 12; ++d)
        EXPECT_LE(scale.m_degree[static_cast<std::size_t>(d)], 1) << "degree " << d;
    for (int d = 0; d < 12; ++d) {
        EXPECT_EQ(scale.m_pitchClass[static_cast<std::size_t>((scale.m_nKeynote + d) % 12)],
                  scale.m_degree[static_cast<std::size_t>(d)]);
        const int nThird = scale.m_third[static_cast<std::size_t>(d)];
        EXPECT_TRUE(nThird == 3 || nThird == 4);
    }
    // The thirds are a function of the pattern alone: a fresh object given the same pattern
    // must agree.
    CScale fresh;
    fresh.SetPattern(scale.m_nKeynote, scale.m_degree.data());
    EXPECT_EQ(fresh.m_third, scale.m_third);
    EXPECT_EQ(fresh.m_pitchClass, scale.m_pitchClass);
    EXPECT_LE(scale.m_nFifths, 12);
    EXPECT_GE(scale.m_nFifths, 1);
    EXPECT_LT(scale.m_nTonicFifth, 12);
}

TEST(ScaleTest, NewObjectIsCNaturalMajor) {
    CScale scale;
    EXPECT_EQ(Tonality(scale), "Natural Major : c");
    EXPECT_EQ(WhitePitchClasses(scale), (Notes{0, 2, 4, 5, 7, 9, 11}));
    EXPECT_EQ(scale.m_nFifths, 7);
    EXPECT_EQ(scale.m_nTonicFifth, 1);
    EXPECT_EQ(scale.GetMask(), 0x2A5);
    ExpectConsistent(scale);
}

TEST(ScaleTest, TableRowsGiveTheirPatternsAndNames) {
    CScale scale;
    for (int nRow = 0; nRow < CScale::kScaleCount; ++nRow) {
        scale.SelectScale(nRow);
        const SScaleRow& row = CScale::kScaleTable[static_cast<std::size_t>(nRow)];
        EXPECT_EQ(scale.GetMask(), row.wMask) << row.pszName;
        ExpectConsistent(scale);
    }
    scale.SelectScale(11);
    EXPECT_STREQ(scale.GetName(), "Natural Major");
    scale.SelectScale(8);
    EXPECT_STREQ(scale.GetName(), "Natural Minor");
    scale.SelectScale(12);
    EXPECT_STREQ(scale.GetName(), "Lydian");
    EXPECT_EQ(WhiteDegrees(scale), (Notes{0, 2, 4, 6, 7, 9, 11}));
    scale.SelectScale(18);
    EXPECT_EQ(WhiteDegrees(scale), (Notes{0, 5, 6, 11}));
    scale.SelectScale(24);
    EXPECT_STREQ(scale.GetName(), "Chromatic");

    // C D E G A, as a custom pattern from the Scale window, has no name.
    const std::uint8_t pentatonic[12] = {2, 1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 1};
    scale.SetPattern(CScale::kKeepKeynote, pentatonic);
    EXPECT_STREQ(scale.GetName(), "Unknow");
}

TEST(ScaleTest, KeynoteNames) {
    CScale scale;
    const char* expected[12] = {"c", "cis", "d", "dis", "e", "f", "fis", "g", "gis", "a", "b", "h"};
    for (std::uint8_t k = 0; k < 12; ++k) {
        scale.SetPattern(k, nullptr);
        EXPECT_STREQ(scale.GetKeynoteName(), expected[k]);
        EXPECT_EQ(scale.GetMask(), 0x2A5) << "keynote change keeps the pattern";
    }
}

TEST(ScaleTest, Thirds) {
    CScale scale;
    EXPECT_EQ(ThirdsOn(scale, {0, 2, 4, 5, 7, 9, 11}), (Notes{4, 3, 3, 4, 4, 3, 3}));
    scale.SelectScale(4);
    EXPECT_EQ(WhiteDegrees(scale), (Notes{0, 2, 3, 5, 7, 8, 11}));
    EXPECT_EQ(ThirdsOn(scale, {0, 2, 3, 5, 7, 8, 11}), (Notes{3, 3, 4, 3, 4, 4, 3}));
    scale.SelectScale(24);
    EXPECT_EQ(ThirdsOn(scale, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}),
              (Notes{3, 4, 3, 4, 3, 4, 4, 3, 4, 3, 4, 3}));
}

TEST(ScaleTest, ChordsInCMajor) {
    CScale scale;
    EXPECT_EQ(Chord(scale, 60, ChordFlags({3})), (Notes{60, 64, 67}));
    EXPECT_EQ(Chord(scale, 60, ChordFlags({3}, 1)), (Notes{64, 67, 72}));
    EXPECT_EQ(Chord(scale, 60, ChordFlags({3}, 2)), (Notes{67, 72, 76}));
    EXPECT_EQ(Chord(scale, 60, ChordFlags({1, 3})), (Notes{60, 64, 67, 72}));
    EXPECT_EQ(Chord(scale, 60, ChordFlags({1})), (Notes{60}));
    EXPECT_EQ(Chord(scale, 60, ChordFlags({7})), (Notes{60, 63, 67}));
    EXPECT_EQ(Chord(scale, 60, ChordFlags({7, '-'})), (Notes{60, 63, 66}));
    EXPECT_EQ(Chord(scale, 60, ChordFlags({3, 5})), (Notes{60, 64, 71, 74}));
    EXPECT_EQ(Chord(scale, 60, ChordFlags({6})), (Notes{60, 64, 67, 71, 74, 77}));
    EXPECT_EQ(Chord(scale, 60, ChordFlags({0})), (Notes{60, 64, 67, 71}));
    EXPECT_EQ(Chord(scale, 60, ChordFlags({0, '='})), (Notes{60, 64, 67, 72}));
    // Tones beyond a fixed shape go on in the scale's thirds: on D, the major triad shape
    // (fis) followed by the third that the scale puts on a (3).
    EXPECT_EQ(Chord(scale, 62, ChordFlags({8, 4})), (Notes{62, 66, 69, 72}));
    // Scale thirds on d give the minor triad.
    EXPECT_EQ(Chord(scale, 62, ChordFlags({3})), (Notes{62, 65, 69}));
    // Without a size nothing is played.
    EXPECT_EQ(Chord(scale, 60, ChordKey(3)), Notes{});
}

TEST(ScaleTest, WhiteOnlyDropsBlackTones) {
    CScale scale;
    EXPECT_EQ(Chord(scale, 62, ChordFlags({8}, 0, kFlagWhiteOnly)), (Notes{62, 69}));
    EXPECT_EQ(Chord(scale, 62, ChordFlags({8})), (Notes{62, 66, 69}));
    // A black root is dropped too.
    EXPECT_EQ(Chord(scale, 61, ChordFlags({1}, 0, kFlagWhiteOnly)), Notes{});
}

TEST(ScaleTest, ChordsAtTheTopOfTheRange) {
    CScale scale;
    EXPECT_EQ(Chord(scale, 127, ChordFlags({3})), (Notes{127}));
    EXPECT_EQ(Chord(scale, 127, ChordFlags({3}, 1)), Notes{});
    // A root outside the MIDI range yields nothing rather than notes wrapped round to the bass.
    EXPECT_EQ(Chord(scale, 250, ChordFlags({6}, 3)), Notes{});
    // The largest chord: six tones and the doubled root, highest inversion.
    EXPECT_EQ(Chord(scale, 0, ChordFlags({1, 6}, 5)), (Notes{12, 16, 17, 19, 23, 24, 26}));
}

TEST(ScaleTest, HostileFlagsStayWithinTheBuffers) {
    CScale scale;
    // Size 15, every chord key, both variant bits, inversion 15: not a word the view makes,
    // but chords must still come out bounded and ascending.
    for (std::uint32_t dwFlags : {0xFFFFFFFFu, 0xFFFFFF00u, 0x0FFFFF00u, 0xFC000F00u}) {
        for (int nRoot = 0; nRoot < 256; nRoot += 5) {
            const Notes notes = Chord(scale, static_cast<std::uint8_t>(nRoot), dwFlags);
            EXPECT_LE(notes.size(), static_cast<std::size_t>(CScale::kMaxChordNotes));
            for (std::size_t i = 0; i < notes.size(); ++i) {
                EXPECT_LT(notes[i], 128);
                if (i > 0) {
                    EXPECT_LT(notes[i - 1], notes[i]);
                }
            }
        }
    }
}

TEST(ScaleTest, ChordSize) {
    EXPECT_EQ(CScale::GetChordSize(0), 1);
    EXPECT_EQ(CScale::GetChordSize(ChordKey(1)), 1);
    EXPECT_EQ(CScale::GetChordSize(ChordKey(6) | ChordKey(3)), 6);
    EXPECT_EQ(CScale::GetChordSize(ChordKey(7)), 3);
    EXPECT_EQ(CScale::GetChordSize(ChordKey(0)), 4);
    EXPECT_EQ(CScale::GetChordSize(ChordKey('-') | ChordKey('=')), 1);
    EXPECT_EQ(CScale::GetChordSize(0xFFFFFFFF), 6);
}

TEST(ScaleTest, ScaleNotes) {
    CScale scale;
    std::uint8_t notes[CScale::kMaxScaleNotes] = {};
    std::uint8_t nCount = 0;
    scale.GetScaleNotes(notes, nCount);
    EXPECT_EQ(Notes(notes, notes + nCount), (Notes{0, 2, 4, 5, 7, 9, 11, 12}));

    scale.SelectScale(24);
    scale.SetPattern(11, nullptr);
    scale.GetScaleNotes(notes, nCount);
    ASSERT_EQ(nCount, 13);
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(notes[i], 11 + i);
}

TEST(ScaleTest, DegreeToNote) {
    CScale scale;
    EXPECT_EQ(scale.DegreeToNote(0), 47);
    EXPECT_EQ(scale.DegreeToNote(1), 48);
    EXPECT_EQ(scale.DegreeToNote(2), 50);
    EXPECT_EQ(scale.DegreeToNote(9), 62);
    scale.SetPattern(9, nullptr);
    scale.SelectScale(3);
    EXPECT_EQ(Tonality(scale), "Natural Minor : a");
    EXPECT_EQ(scale.DegreeToNote(1), 57);
    EXPECT_EQ(scale.DegreeToNote(0), 55);
    // Far degrees fold back into the MIDI range.
    scale.SelectScale(24);
    scale.SetPattern(11, nullptr);
    EXPECT_LE(scale.DegreeToNote(255), 127);
    EXPECT_EQ(scale.DegreeToNote(255) % 12, (11 + 11 + 255) % 12);
}

TEST(ScaleTest, NavigateTransposesChangesModeOrMovesToRelative) {
    CScale scale;
    EXPECT_TRUE(scale.Navigate(6, 0));
    EXPECT_EQ(Tonality(scale), "Natural Major : g");

    CScale mode;
    EXPECT_TRUE(mode.Navigate(6, kFlagNavChangesMode));
    EXPECT_EQ(Tonality(mode), "Lydian : c");
    EXPECT_EQ(WhitePitchClasses(mode), (Notes{0, 2, 4, 6, 7, 9, 11}));

    CScale relative;
    EXPECT_TRUE(relative.Navigate(6, kFlagNavToRelative));
    EXPECT_EQ(Tonality(relative), "Mixolydian : g");
    EXPECT_EQ(WhitePitchClasses(relative), (Notes{0, 2, 4, 5, 7, 9, 11}));

    // Every step code: the notes move by the step, except on the relative.
    const int steps[11] = {8, 11, 3, 0, 5, 0, 7, 0, 9, 1, 4};
    for (std::uint8_t nCode = 0; nCode < 11; ++nCode) {
        if (steps[nCode] == 0)
            continue;
        CScale plain;
        CScale changed;
        ASSERT_TRUE(plain.Navigate(nCode, 0));
        EXPECT_EQ(plain.m_nKeynote, steps[nCode]);
        if (changed.Navigate(nCode, kFlagNavChangesMode)) {
            EXPECT_EQ(changed.m_nKeynote, 0);
            EXPECT_EQ(WhitePitchClasses(changed), WhitePitchClasses(plain)) << int(nCode);
        }
    }
}

TEST(ScaleTest, NavigateCodesThatChangeNothing) {
    CScale scale;
    const auto before = scale.m_pitchClass;
    for (int nCode : {3, 5, 7, 11, 14, 15, 0xFF}) {
        EXPECT_FALSE(scale.Navigate(static_cast<std::uint8_t>(nCode), 0)) << nCode;
        EXPECT_FALSE(scale.Navigate(static_cast<std::uint8_t>(nCode), kFlagNavChangesMode));
        EXPECT_FALSE(scale.Navigate(static_cast<std::uint8_t>(nCode), kFlagNavToRelative));
    }
    EXPECT_EQ(scale.m_pitchClass, before);
    EXPECT_EQ(Tonality(scale), "Natural Major : c");
}

TEST(ScaleTest, NavigateOnBlackDegreeRefused) {
    CScale scale;
    // Relative on a semitone up: cis is black in C major.
    EXPECT_FALSE(scale.Navigate(9, kFlagNavToRelative));
    // Mode change for a semitone up needs degree 11, which is white.
    EXPECT_TRUE(scale.Navigate(9, kFlagNavChangesMode));
    EXPECT_EQ(WhitePitchClasses(scale), (Notes{0, 1, 3, 5, 6, 8, 10}));
    EXPECT_EQ(Tonality(scale), "Locrian : c");
}

TEST(ScaleTest, ApplyDegree) {
    CScale shift;
    EXPECT_TRUE(shift.ApplyDegree(62, MK_SHIFT));
    EXPECT_EQ(Tonality(shift), "Dorian : c");
    CScale ctrl;
    EXPECT_TRUE(ctrl.ApplyDegree(62, MK_CONTROL));
    EXPECT_EQ(Tonality(ctrl), "Dorian : d");
    CScale both;
    EXPECT_TRUE(both.ApplyDegree(2, MK_SHIFT | MK_CONTROL));
    EXPECT_EQ(Tonality(both), "Dorian : c");
    CScale plain;
    EXPECT_TRUE(plain.ApplyDegree(2, 0));
    EXPECT_EQ(Tonality(plain), "Natural Major : d");
    for (std::uint8_t nNote : {0, 12, 48, 60, 120})
        for (unsigned nKeys : {0u, MK_SHIFT, MK_CONTROL}) {
            EXPECT_FALSE(plain.ApplyDegree(static_cast<std::uint8_t>(nNote + 2), nKeys));
            EXPECT_EQ(Tonality(plain), "Natural Major : d");
        }
    // Black degrees refuse mode and relative moves.
    EXPECT_FALSE(shift.ApplyDegree(1, MK_SHIFT));
    EXPECT_FALSE(ctrl.ApplyDegree(3, MK_CONTROL));
    // Notes above 127 still give a pitch class.
    EXPECT_TRUE(plain.ApplyDegree(255, 0));
    EXPECT_EQ(plain.m_nKeynote, 255 % 12);
}

TEST(ScaleTest, ResizeFifthsDownToTheShortestChainAndUpToTwelve) {
    CScale scale;
    EXPECT_TRUE(scale.Navigate(CScale::kNavFewerFifths, 0));
    EXPECT_EQ(WhitePitchClasses(scale), (Notes{0, 2, 4, 5, 7, 9}));
    EXPECT_TRUE(scale.Navigate(CScale::kNavFewerFifths, 0));
    EXPECT_EQ(WhitePitchClasses(scale), (Notes{0, 2, 5, 7, 9}));
    while (scale.Navigate(CScale::kNavFewerFifths, 0)) {
    }
    EXPECT_EQ(scale.m_nFifths, 2);
    EXPECT_EQ(WhitePitchClasses(scale), (Notes{0, 5}));
    ExpectConsistent(scale);

    CScale grow;
    EXPECT_TRUE(grow.Navigate(CScale::kNavMoreFifths, 0));
    EXPECT_EQ(WhiteDegrees(grow), (Notes{0, 2, 4, 5, 6, 7, 9, 11}));
    int nGrowths = 1;
    while (grow.Navigate(CScale::kNavMoreFifths, 0))
        ++nGrowths;
    EXPECT_EQ(nGrowths, 5);
    EXPECT_EQ(grow.m_nFifths, 12);
    EXPECT_STREQ(grow.GetName(), "Chromatic");
    EXPECT_FALSE(grow.Navigate(CScale::kNavMoreFifths, 0));

    // A menu pattern is replaced by the chain on the next resize.
    CScale menu;
    menu.SelectScale(4);
    EXPECT_TRUE(menu.Navigate(CScale::kNavMoreFifths, 0));
    EXPECT_EQ(WhiteDegrees(menu), (Notes{0, 2, 4, 5, 6, 7, 9, 11}));

    // Each mode keeps its keynote inside the chain: D Dorian from C major has the keynote at
    // the fourth link, so the chain stops at five.
    CScale dorian;
    ASSERT_TRUE(dorian.ApplyDegree(2, MK_CONTROL));
    EXPECT_EQ(dorian.m_nTonicFifth, 3);
    while (dorian.Navigate(CScale::kNavFewerFifths, 0)) {
    }
    EXPECT_EQ(dorian.m_nFifths, 4);
    EXPECT_EQ(dorian.m_nKeynote, 2);
    EXPECT_EQ(WhitePitchClasses(dorian), (Notes{0, 2, 5, 7}));
}

TEST(ScaleTest, KeySignatures) {
    CScale scale;
    scale.SetKeySignature(-2, 0);
    EXPECT_EQ(Tonality(scale), "Natural Major : b");
    EXPECT_EQ(scale.m_nKeynote, 10);
    scale.SetKeySignature(3, 1);
    EXPECT_EQ(Tonality(scale), "Natural Minor : fis");
    const char* majors[15] = {"h", "fis", "cis", "gis", "dis", "b",   "f",  "c",
                              "g", "d",   "a",   "e",   "h",   "fis", "cis"};
    const char* minors[15] = {"gis", "dis", "b",   "f",   "c",   "g",   "d", "a",
                              "e",   "h",   "fis", "cis", "gis", "dis", "b"};
    for (int k = -7; k <= 7; ++k) {
        scale.SetKeySignature(static_cast<std::int8_t>(k), 0);
        EXPECT_STREQ(scale.GetKeynoteName(), majors[k + 7]) << k;
        scale.SetKeySignature(static_cast<std::int8_t>(k), 1);
        EXPECT_STREQ(scale.GetKeynoteName(), minors[k + 7]) << k;
        EXPECT_STREQ(scale.GetName(), "Natural Minor");
    }
    // Counts from a damaged file land on a keynote in 0..11.
    for (int k = -128; k <= 127; ++k)
        for (std::uint8_t bMinor : {0, 1, 2, 255}) {
            scale.SetKeySignature(static_cast<std::int8_t>(k), bMinor);
            EXPECT_LT(scale.m_nKeynote, 12);
            EXPECT_EQ(scale.m_nKeynote, ((7 * k + (bMinor == 1 ? 129 : 120)) % 12 + 12) % 12);
        }
}

TEST(ScaleTest, OutOfRangeKeynotesAndPatternsAreReduced) {
    CScale scale;
    scale.SetPattern(27, nullptr);
    EXPECT_EQ(scale.m_nKeynote, 3);
    scale.SetMask(255, 0x529);
    EXPECT_EQ(scale.m_nKeynote, 255 % 12);
    EXPECT_EQ(Tonality(scale), "Natural Minor : dis");
    scale.SetMask(CScale::kKeepKeynote, 0xFFFF);
    EXPECT_EQ(scale.m_nKeynote, 3);
    EXPECT_EQ(scale.GetMask(), 0x7FF);
    ExpectConsistent(scale);
    // A pattern with junk bytes and a black keynote: the keynote stays white.
    const std::uint8_t junk[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 255};
    scale.SetPattern(CScale::kKeepKeynote, junk);
    EXPECT_EQ(scale.GetMask(), 0x2AA | 0x400);
    ExpectConsistent(scale);
    EXPECT_STREQ(scale.GetName(), "Unknow");
    scale.SelectScale(-1);
    scale.SelectScale(25);
    EXPECT_STREQ(scale.GetName(), "Unknow");
}

TEST(ScaleTest, TonalityRecordRoundTrips) {
    CScale scale;
    scale.SetPattern(7, nullptr);
    scale.SelectScale(9);
    STonalityRecord record;
    EXPECT_FALSE(scale.GetTonalityRecord(record));
    EXPECT_EQ(record.wMask, 0x4A9);
    EXPECT_EQ(record.nKeynote, 7);
    CScale other;
    other.SetMask(record.nKeynote, record.wMask);
    EXPECT_EQ(Tonality(other), "Dorian : g");
    EXPECT_EQ(other.m_pitchClass, scale.m_pitchClass);
}

// Every keynote, every table scale, every navigation code with each kind of move: the state
// stays consistent, and the name of a table scale survives a trip through its mask.
TEST(ScaleTest, InvariantsOverAllTonalitiesAndMoves) {
    const std::uint32_t moveKinds[3] = {0, kFlagNavChangesMode, kFlagNavToRelative};
    for (std::uint8_t nKeynote = 0; nKeynote < 12; ++nKeynote) {
        for (int nRow = 0; nRow < CScale::kScaleCount; ++nRow) {
            CScale base;
            base.SetPattern(nKeynote, nullptr);
            base.SelectScale(nRow);
            const SScaleRow& row = CScale::kScaleTable[static_cast<std::size_t>(nRow)];
            CScale named;
            named.SetMask(nKeynote, row.wMask);
            EXPECT_STREQ(named.GetName(), base.GetName());
            EXPECT_EQ(base.GetMask(), row.wMask);
            ExpectConsistent(base);
            for (int nCode = 0; nCode < 256; ++nCode) {
                for (std::uint32_t dwKind : moveKinds) {
                    CScale scale = base;
                    const bool bChanged = scale.Navigate(static_cast<std::uint8_t>(nCode), dwKind);
                    ExpectConsistent(scale);
                    if (!bChanged) {
                        EXPECT_EQ(scale.m_pitchClass, base.m_pitchClass);
                        EXPECT_EQ(scale.m_nKeynote, base.m_nKeynote);
                    }
                    if (HasFailure())
                        FAIL() << "keynote " << int(nKeynote) << " row " << nRow << " code "
                               << nCode << " kind " << dwKind;
                }
            }
        }
    }
}

} // namespace
