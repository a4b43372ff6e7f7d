#pragma once

#include <cstdint>
#include <vector>

// One tonality that holds the notes looked for.
struct SScaleMatch {
    int nRow = 0;              // row of CScale::kScaleTable, as CScale::SelectScale takes it
    std::uint8_t nKeynote = 0; // pitch class 0..11
    std::uint8_t nOutside = 0; // notes of the scale that are not among those looked for
    const char* pszName = "";  // the scale's name, as the tonality pane shows it once chosen
};

// Finds every scale of the table, in every keynote, that holds a set of pitch classes.
class CScaleFinder {
public:
    // Best first: fewest scale notes outside the set, then the current keynote, then the order
    // of the scale table, then keynote order from c. A row with the same notes as an earlier
    // row (Ionian, Aeolian) is the same tonality under the earlier row's name and is not listed
    // again. An empty set finds nothing.
    static std::vector<SScaleMatch> Find(std::uint16_t wPitchClasses, std::uint8_t nCurrentKeynote);
};
