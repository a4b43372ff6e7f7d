#include "theory/ScaleFinder.h"

#include "theory/Scale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct FinderCase {
    std::uint16_t wPlayed; // bit n: pitch class n
    std::uint8_t nCurrentKeynote;
    std::vector<std::string> best; // as the tonality pane shows them
    bool bAll;                     // best is the whole list
};

const FinderCase kCases[] = {
    // The notes of C major, a current: its seven modes, a's first.
    {0xAB5,
     9,
     {"Natural Minor : a", "Natural Major : c", "Locrian : h", "Phrygian : e", "Dorian : d",
      "Mixolydian : g", "Lydian : f"},
     false},
    // The C major triad: the six-note scales first, then the major scales on c.
    {0x091,
     0,
     {"Symmetrical 3.1 : c", "Symmetrical 3.1 : e", "Symmetrical 3.1 : gis", "Double Major : cis",
      "Double Major : g", "Natural Major : c", "Harmonic Major : c", "Melodic Major : c",
      "Mixolydian : c", "Lydian : c"},
     false},
    // All twelve notes: only the chromatic scale, the current keynote first.
    {0xFFF,
     5,
     {"Chromatic : f", "Chromatic : c", "Chromatic : cis", "Chromatic : d", "Chromatic : dis",
      "Chromatic : e", "Chromatic : fis", "Chromatic : g", "Chromatic : gis", "Chromatic : a",
      "Chromatic : b", "Chromatic : h"},
     true},
    {0, 0, {}, true},
};

TEST(ScaleFinder, OrderOfHandCheckedSets) {
    for (const FinderCase& row : kCases) {
        const std::vector<SScaleMatch> matches =
            CScaleFinder::Find(row.wPlayed, row.nCurrentKeynote);
        std::vector<std::string> best;
        for (std::size_t i = 0; i < matches.size() && i < row.best.size(); ++i)
            best.push_back(std::string(matches[i].pszName) + " : " +
                           CScale::kKeynoteNames[matches[i].nKeynote]);
        EXPECT_EQ(best, row.best);
        if (row.bAll) {
            EXPECT_EQ(matches.size(), row.best.size());
        }
    }
}

} // namespace
