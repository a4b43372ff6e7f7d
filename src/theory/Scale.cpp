#include "Scale.h"

#include "ModeFlags.h"
#include "MouseKeys.h"

#include <algorithm>
#include <bit>

const std::array<SScaleRow, CScale::kScaleCount> CScale::kScaleTable = {{
    {"Natural Major", 0x2A5},
    {"Harmonic Major", 0x325},
    {"Melodic Major", 0x525},
    {"Natural Minor", 0x529},
    {"Harmonic Minor", 0x329},
    {"Melodic Minor", 0x2A9},
    {"Locrian", 0x54A},
    {"Phrygian", 0x52A},
    {"Aeolian", 0x529},
    {"Dorian", 0x4A9},
    {"Mixolydian", 0x4A5},
    {"Ionian", 0x2A5},
    {"Lydian", 0x295},
    {"Whole-tone", 0x555},
    {"Diminished", 0x249},
    {"Dominant Diminished", 0x492},
    {"Symmetrical 3.1", 0x333},
    {"Symmetrical 2.1.1", 0x111},
    {"Symmetrical 5.1", 0x3CF},
    {"Symmetrical 4.1.1", 0x1C7},
    {"Double Major", 0x2CB},
    {"Double Minor", 0x69A},
    {"Symmetrical 2.2.1.1", 0x145},
    {"Symmetrical 2.1.1.1.1", 0x041},
    {"Chromatic", 0x000},
}};

const std::array<const char*, 12> CScale::kKeynoteNames = {"c",   "cis", "d",   "dis", "e", "f",
                                                           "fis", "g",   "gis", "a",   "b", "h"};

namespace {

constexpr std::uint16_t kMaskBits = 0x7FF;

// Fixed chord shapes: semitone steps from the root up, by row (chord-key bits 22..25) and
// variant (none, bit 26 = last step narrower, bit 27 = last step wider). 0 ends a shape.
constexpr std::uint8_t kShapes[4][3][3] = {
    {{3, 4, 0}, {3, 3, 0}, {3, 5, 0}},
    {{4, 3, 0}, {4, 2, 0}, {4, 4, 0}},
    {{3, 4, 3}, {3, 4, 2}, {3, 4, 4}},
    {{4, 3, 4}, {4, 3, 3}, {4, 3, 5}},
};

// Tones in a chord for each chord-key bit 16..27.
constexpr std::uint8_t kChordKeySize[12] = {1, 2, 3, 4, 5, 6, 3, 3, 4, 4, 0, 0};

} // namespace

CScale::CScale() : m_navStep{8, 11, 3, 0, 5, 0, 7, 0, 9, 1, 4} {
    BuildFromFifths();
    m_names.fill(nullptr);
    // The first row with a mask names it, so Ionian reads "Natural Major".
    for (const SScaleRow& row : kScaleTable) {
        const char*& pName = m_names[row.wMask & kMaskBits];
        if (pName == nullptr)
            pName = row.pszName;
    }
}

void CScale::UpdatePitchClasses() {
    for (int d = 0; d < 12; ++d)
        m_pitchClass[static_cast<std::size_t>(Mod12(m_nKeynote + d))] = m_degree[d];
}

void CScale::BuildFromFifths() {
    m_degree.fill(kBlack);
    int j = Mod12(5 * m_nTonicFifth);
    for (int i = 0; i < m_nFifths; ++i) {
        m_degree[static_cast<std::size_t>(j)] = kWhite;
        j = Mod12(j + 7);
    }
    m_degree[0] = kKeynote;
    UpdateThirds();
    UpdatePitchClasses();
}

void CScale::UpdateThirds() {
    // Rank every degree by its distance from the keynote on the circle of fifths, white notes
    // always above black ones; a third goes to whichever candidate ranks higher.
    std::uint8_t fifths[12];
    for (int i = 0; i < 12; ++i)
        fifths[i] = m_degree[static_cast<std::size_t>(Mod12(7 * i))];

    std::uint8_t rank[12];
    rank[0] = 0xF0;
    std::uint8_t w = 0xE0;
    std::uint8_t b = 0x0F;
    for (int j = 1; j < 12; ++j) {
        if (fifths[j] & 1) {
            rank[j] = b--;
        } else {
            rank[j] = w--;
            b = 0x0F;
        }
    }
    w = 0xE0;
    b = 0x0F;
    for (int j = 11; j >= 1; --j) {
        if (fifths[j] & 1) {
            if (rank[j] < b)
                rank[j] = b--;
        } else if (rank[j] < w) {
            rank[j] = w--;
            b = 0x0F;
        }
    }
    for (int k = 0; k < 12; ++k)
        m_third[static_cast<std::size_t>(Mod12(7 * k))] =
            rank[(k + 4) % 12] > rank[(k + 9) % 12] ? 4 : 3;
}

void CScale::SetPattern(std::uint8_t nKeynote, const std::uint8_t* pPattern) {
    if (pPattern != nullptr) {
        // Patterns may come from a file or a dialog: keep the keynote white and every other
        // degree 0 or 1, so the mask always stays within eleven bits.
        m_degree[0] = kKeynote;
        for (std::size_t d = 1; d < 12; ++d)
            m_degree[d] = pPattern[d] & 1;
    }
    if (nKeynote != kKeepKeynote)
        m_nKeynote = static_cast<std::uint8_t>(nKeynote % 12);
    UpdateThirds();
    UpdatePitchClasses();
}

void CScale::SetMask(std::uint8_t nKeynote, std::uint16_t wMask) {
    SetPattern(nKeynote, PatternOf(wMask).data());
}

std::array<std::uint8_t, 12> CScale::PatternOf(std::uint16_t wMask) {
    std::array<std::uint8_t, 12> pattern{};
    pattern[0] = kKeynote;
    for (std::size_t d = 1; d < 12; ++d)
        pattern[d] = static_cast<std::uint8_t>((wMask >> (d - 1)) & 1);
    return pattern;
}

void CScale::SelectScale(int nRow) {
    if (nRow < 0 || nRow >= kScaleCount)
        return;
    SetMask(kKeepKeynote, kScaleTable[static_cast<std::size_t>(nRow)].wMask);
}

void CScale::SetKeySignature(std::int8_t nSharps, std::uint8_t bMinor) {
    if (bMinor == 1) {
        m_nKeynote = static_cast<std::uint8_t>(Mod12(7 * nSharps + 129));
        SelectScale(3);
    } else {
        m_nKeynote = static_cast<std::uint8_t>(Mod12(7 * nSharps + 120));
        SelectScale(0);
    }
}

bool CScale::Transpose(int nDegree) {
    m_nKeynote = static_cast<std::uint8_t>(Mod12(m_nKeynote + nDegree));
    UpdatePitchClasses();
    return true;
}

void CScale::RotatedPattern(int nDegree, std::array<std::uint8_t, 12>& pattern) const {
    pattern[0] = kKeynote;
    for (int i = 1; i < 12; ++i)
        pattern[static_cast<std::size_t>(i)] =
            m_degree[static_cast<std::size_t>(Mod12(nDegree + i))] & 1;
}

bool CScale::ChangeMode(int nDegree) {
    if (IsBlackDegree(nDegree))
        return false;
    m_nTonicFifth = static_cast<std::uint8_t>(Mod12(7 * Mod12(nDegree) + m_nTonicFifth));
    std::array<std::uint8_t, 12> pattern;
    RotatedPattern(nDegree, pattern);
    SetPattern(kKeepKeynote, pattern.data());
    return true;
}

bool CScale::MoveToRelative(int nDegree) {
    if (IsBlackDegree(nDegree))
        return false;
    std::array<std::uint8_t, 12> pattern;
    RotatedPattern(nDegree, pattern);
    m_nTonicFifth = static_cast<std::uint8_t>(Mod12(7 * Mod12(nDegree) + m_nTonicFifth));
    SetPattern(static_cast<std::uint8_t>(Mod12(m_nKeynote + nDegree)), pattern.data());
    return true;
}

bool CScale::ApplyDegree(std::uint8_t nNote, unsigned nMouseKeys) {
    const int d = Mod12(nNote - m_nKeynote);
    if (d == 0)
        return false;
    if (nMouseKeys & MK_SHIFT)
        return ChangeMode(d);
    if (nMouseKeys & MK_CONTROL)
        return MoveToRelative(d);
    return Transpose(d);
}

bool CScale::ResizeFifths(std::uint8_t nCode) {
    if (nCode & 1) {
        if (m_nFifths >= 12)
            return false;
        ++m_nFifths;
    } else {
        // The keynote must stay inside the chain.
        if (m_nFifths - 1 <= m_nTonicFifth)
            return false;
        --m_nFifths;
    }
    BuildFromFifths();
    return true;
}

bool CScale::Navigate(std::uint8_t nCode, std::uint32_t dwFlags) {
    if (nCode == kNavFewerFifths || nCode == kNavMoreFifths)
        return ResizeFifths(nCode);
    // Codes without a step (5 = the keypad's centre key, 3 and 7 unused) and codes no key
    // produces change nothing.
    if (nCode >= m_navStep.size())
        return false;
    const int nStep = m_navStep[nCode];
    if (nStep == 0)
        return false;
    if (dwFlags & kFlagNavChangesMode)
        return ChangeMode(12 - nStep);
    if (dwFlags & kFlagNavToRelative)
        return MoveToRelative(nStep);
    return Transpose(nStep);
}

void CScale::GetScaleNotes(std::uint8_t* pNotes, std::uint8_t& nCount) const {
    nCount = 0;
    int d = 0;
    while (d <= 12) {
        pNotes[nCount++] = static_cast<std::uint8_t>(m_nKeynote + d);
        do {
            ++d;
        } while (d <= 12 && IsBlackDegree(d));
    }
}

int CScale::GetChordSize(std::uint32_t dwFlags) {
    int n = 1;
    for (int k = 0; k < 12; ++k)
        if (dwFlags & (1u << (kChordKeyShift + static_cast<unsigned>(k))))
            n = std::max<int>(n, kChordKeySize[k]);
    return n;
}

void CScale::AddChordNote(int nNote) {
    if (nNote < 0 || nNote >= 128)
        return;
    if (m_bWhiteOnly && (m_pitchClass[static_cast<std::size_t>(nNote % 12)] & 1))
        return;
    const auto first = m_chord.begin();
    const auto last = first + m_nChordCount;
    const auto pos = std::lower_bound(first, last, nNote);
    if (pos != last && *pos == nNote)
        return;
    if (m_nChordCount >= m_chord.size())
        return;
    std::copy_backward(pos, last, last + 1);
    *pos = static_cast<std::uint8_t>(nNote);
    ++m_nChordCount;
}

bool CScale::BuildChord(const std::uint8_t*& pNotes, std::uint8_t& nCount, std::uint8_t nRoot,
                        std::uint32_t dwFlags) {
    // The view keeps the size within 1..6; a larger value from elsewhere must not overrun the
    // note buffers.
    const int n = std::min<int>((dwFlags & kFlagChordSizeMask) >> kChordSizeShift, kMaxChordSize);
    const int nInversion = static_cast<int>((dwFlags & kFlagInversionMask) >> kInversionShift);
    const std::uint32_t dwKeys = (dwFlags & kFlagChordKeysMask) >> kChordKeyShift;

    std::uint8_t steps[kMaxChordSize] = {};
    const std::uint32_t dwShape = (dwFlags & kFlagChordShapeMask) >> 22;
    if (dwShape != 0) {
        const int nRow = std::countr_zero(dwShape);
        // Both variant bits at once cannot come from the key map; take the plain shape.
        int nVariant = static_cast<int>((dwFlags & kFlagChordVariantMask) >> 26);
        if (nVariant > 2)
            nVariant = 0;
        for (int i = 0; i < 3; ++i)
            steps[i] = kShapes[nRow][nVariant][i];
    }

    m_nChordCount = 0;
    m_bWhiteOnly = (dwFlags & kFlagWhiteOnly) ? 1 : 0;

    // Computed in int: a root above 127 must give no notes, not wrap round to low ones.
    int a = nRoot;
    for (int i = 0; i < n; ++i) {
        const int nLift = i < nInversion ? 12 : 0;
        if (i == n - 1) {
            AddChordNote(a + nLift);
            break;
        }
        if (i == 0) {
            AddChordNote(a + nLift);
            if (dwKeys & 1)
                AddChordNote(a + nLift + 12);
        } else if (!((dwKeys >> i) & 1)) {
            AddChordNote(a + nLift);
        }
        a += steps[i] != 0 ? steps[i] : m_third[static_cast<std::size_t>(Mod12(a - m_nKeynote))];
    }

    std::copy_n(m_chord.begin(), m_nChordCount, m_chordNotes.begin());
    nCount = m_nChordCount;
    pNotes = m_chordNotes.data();
    return true;
}

std::uint8_t CScale::DegreeToNote(std::uint8_t nSteps) const {
    int a = 11;
    while (IsBlackDegree(a))
        --a;
    for (int i = 0; i < nSteps; ++i) {
        do {
            ++a;
        } while (IsBlackDegree(a));
    }
    int nNote = m_nKeynote + a + 36;
    // Far degrees fold back by octaves instead of leaving the MIDI range.
    while (nNote > 127)
        nNote -= 12;
    return static_cast<std::uint8_t>(nNote);
}

std::uint16_t CScale::GetMask() const {
    unsigned nMask = 0;
    for (unsigned d = 1; d < 12; ++d)
        nMask |= static_cast<unsigned>(m_degree[d]) << (d - 1);
    return static_cast<std::uint16_t>(nMask & kMaskBits);
}

const char* CScale::GetName() const {
    const char* pName = m_names[GetMask()];
    return pName != nullptr ? pName : "Unknow";
}

const char* CScale::GetKeynoteName() const {
    return kKeynoteNames[m_nKeynote % 12];
}

bool CScale::GetTonalityRecord(STonalityRecord& record) const {
    record.wMask = GetMask();
    record.nKeynote = m_nKeynote;
    return false;
}
