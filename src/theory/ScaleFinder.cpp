#include "theory/ScaleFinder.h"

#include "theory/Scale.h"

#include <algorithm>
#include <bit>

namespace {
constexpr unsigned kAllPitchClasses = 0xFFF;
constexpr std::uint16_t kMaskBits = 0x7FF;
} // namespace

std::vector<SScaleMatch> CScaleFinder::Find(std::uint16_t wPitchClasses,
                                            std::uint8_t nCurrentKeynote) {
    std::vector<SScaleMatch> matches;
    const unsigned wWanted = wPitchClasses & kAllPitchClasses;
    if (wWanted == 0)
        return matches;
    const int nWanted = std::popcount(wWanted);
    matches.reserve(std::size_t{CScale::kScaleCount} * 12);
    unsigned wMasksSeen[(kMaskBits + 1) / 32] = {};
    for (int nRow = 0; nRow < CScale::kScaleCount; ++nRow) {
        const SScaleRow& row = CScale::kScaleTable[static_cast<std::size_t>(nRow)];
        const unsigned wMask = row.wMask & kMaskBits;
        unsigned& wSeen = wMasksSeen[wMask / 32];
        if ((wSeen >> (wMask % 32)) & 1)
            continue;
        wSeen |= 1u << (wMask % 32);
        // Bit d: degree d is in the scale (the keynote always is).
        const unsigned wDegrees = 1u | ((~wMask & kMaskBits) << 1);
        const int nOutside = std::popcount(wDegrees) - nWanted;
        for (int nKeynote = 0; nKeynote < 12; ++nKeynote) {
            const unsigned wScale =
                ((wDegrees << nKeynote) | (wDegrees >> (12 - nKeynote))) & kAllPitchClasses;
            if ((wScale & wWanted) == wWanted)
                matches.push_back({nRow, static_cast<std::uint8_t>(nKeynote),
                                   static_cast<std::uint8_t>(nOutside), row.pszName});
        }
    }
    const int nCurrent = nCurrentKeynote % 12;
    std::stable_sort(matches.begin(), matches.end(),
                     [nCurrent](const SScaleMatch& a, const SScaleMatch& b) {
                         if (a.nOutside != b.nOutside)
                             return a.nOutside < b.nOutside;
                         return (a.nKeynote == nCurrent) > (b.nKeynote == nCurrent);
                     });
    return matches;
}
