#include "midi/SoundingNotes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct SChange {
    std::uint8_t nChannel;
    std::uint8_t nNote;
    bool bOn;
};

struct SCase {
    const char* pszWhat;
    std::vector<SChange> changes;
    std::uint16_t wSounding;
    int nLowest;
    std::uint16_t wLastChord;
    int nLastChordLowest;
};

constexpr std::uint16_t kCMajor = (1u << 0) | (1u << 4) | (1u << 7);

TEST(SoundingNotes, FollowsNotesOnEveryChannelAndKeepsTheLastChord) {
    const std::vector<SCase> cases = {
        {"nothing played", {}, 0, -1, 0, -1},
        {"a triad", {{0, 60, true}, {0, 64, true}, {0, 67, true}}, kCMajor, 60, kCMajor, 60},
        {"a triad over two channels",
         {{0, 64, true}, {3, 48, true}, {9, 67, true}},
         kCMajor,
         48,
         kCMajor,
         48},
        {"the triad ended",
         {{0, 60, true},
          {0, 64, true},
          {0, 67, true},
          {0, 60, false},
          {0, 64, false},
          {0, 67, false}},
         0,
         -1,
         kCMajor,
         60},
        {"ended note by note: the fullest set stays the chord",
         {{0, 60, true},
          {0, 64, true},
          {0, 67, true},
          {0, 67, false},
          {0, 64, false},
          {0, 60, false}},
         0,
         -1,
         kCMajor,
         60},
        {"one channel ends, the other still sounds the note",
         {{0, 60, true}, {1, 60, true}, {0, 60, false}},
         1u << 0,
         60,
         1u << 0,
         60},
        {"a new stretch after silence replaces the chord",
         {{0, 60, true},
          {0, 64, true},
          {0, 67, true},
          {0, 60, false},
          {0, 64, false},
          {0, 67, false},
          {0, 62, true}},
         1u << 2,
         62,
         1u << 2,
         62},
        {"ending what does not sound and notes out of range change nothing",
         {{0, 61, false}, {16, 60, true}, {0, 128, true}},
         0,
         -1,
         0,
         -1},
    };
    for (const SCase& c : cases) {
        CSoundingNotes notes;
        for (const SChange& change : c.changes) {
            notes.Set(change.nChannel, change.nNote, change.bOn);
        }
        EXPECT_EQ(notes.GetPitchClasses(), c.wSounding) << c.pszWhat;
        EXPECT_EQ(notes.GetLowest(), c.nLowest) << c.pszWhat;
        EXPECT_EQ(notes.IsSilent(), c.nLowest < 0) << c.pszWhat;
        EXPECT_EQ(notes.GetLastChord(), c.wLastChord) << c.pszWhat;
        EXPECT_EQ(notes.GetLastChordLowest(), c.nLastChordLowest) << c.pszWhat;
        EXPECT_EQ(notes.TakeChanged(), c.wLastChord != 0) << c.pszWhat;
    }
}

TEST(SoundingNotes, ClearSilencesEverythingButKeepsTheChord) {
    CSoundingNotes notes;
    for (const std::uint8_t nNote : {60, 64, 67}) {
        notes.Set(0, nNote, true);
    }
    notes.TakeChanged();
    notes.Clear();
    EXPECT_TRUE(notes.IsSilent());
    EXPECT_EQ(notes.GetLastChord(), kCMajor);
    EXPECT_TRUE(notes.TakeChanged());
    EXPECT_FALSE(notes.TakeChanged());
}

} // namespace
