#include "KeyMap.h"

#include "VirtualKeys.h"
#include "theory/ModeFlags.h"

namespace {

constexpr int kKindNone = -1;
constexpr int kKindNavigation = 0;
constexpr int kKindNote = 1;
constexpr int kKindChordKey = 2;
constexpr int kKindReserved = 3;
constexpr int kKindModeKey = 4;
constexpr int kKindDegree = 5;

constexpr std::uint8_t kNoCode = 0xFF;
constexpr int kNoteBase = 36;

struct SNoteKey {
    unsigned nKey;
    int nOrvo;
    int nKlavier; // 0: no note in Klavier mode
};

// The letter and number keys: a patch of the Orvo lattice (a semitone to the right, a minor
// third up-left, a major third up-right) or a piano with black keys above white ones.
constexpr SNoteKey kNoteKeys[] = {
    {'1', 56, 0},       {'2', 57, 61},      {'3', 58, 63},          {'4', 59, 0},
    {'5', 60, 66},      {'6', 61, 68},      {'7', 62, 70},          {'8', 63, 0},
    {'9', 64, 73},      {'0', 65, 75},      {VK_OEM_MINUS, 66, 0},  {VK_OEM_PLUS, 67, 78},
    {'Q', 53, 60},      {'W', 54, 62},      {'E', 55, 64},          {'R', 56, 65},
    {'T', 57, 67},      {'Y', 58, 69},      {'U', 59, 71},          {'I', 60, 72},
    {'O', 61, 74},      {'P', 62, 76},      {VK_OEM_4, 63, 77},     {VK_OEM_6, 64, 79},
    {'A', 50, 38},      {'S', 51, 49},      {'D', 52, 51},          {'F', 53, 0},
    {'G', 54, 54},      {'H', 55, 56},      {'J', 56, 58},          {'K', 57, 0},
    {'L', 58, 61},      {VK_OEM_1, 59, 63}, {VK_OEM_7, 60, 0},      {'Z', 47, 48},
    {'X', 48, 50},      {'C', 49, 52},      {'V', 50, 53},          {'B', 51, 55},
    {'N', 52, 57},      {'M', 53, 59},      {VK_OEM_COMMA, 54, 60}, {VK_OEM_PERIOD, 55, 62},
    {VK_OEM_2, 56, 64},
};

} // namespace

CKeyMap::CKeyMap()
    : m_chordBit{25, 16, 17, 18, 19, 20, 21, 22, 23, 24, 15, 27, 15, 26, 15, 15},
      m_navCode{kNoCode, 10, 8, 0, 2, 1, 6, 9, 4, kNoCode, kNoCode, 13, 5, 12, kNoCode, kNoCode},
      m_onDown{&CKeyMap::OnNavigationDown, &CKeyMap::OnNoteDown,    &CKeyMap::OnChordKeyDown,
               &CKeyMap::OnLowNibble,      &CKeyMap::OnModeKeyDown, &CKeyMap::OnLowNibble},
      m_onUp{&CKeyMap::OnNothing, &CKeyMap::OnNothing,   &CKeyMap::OnChordKeyUp,
             &CKeyMap::OnNothing, &CKeyMap::OnModeKeyUp, &CKeyMap::OnNothing} {
    m_kind.fill(kKindNone);
    for (unsigned nKey : {VK_CLEAR, VK_PRIOR, VK_NEXT, VK_END, VK_HOME, VK_LEFT, VK_UP, VK_RIGHT,
                          VK_DOWN, VK_ADD, VK_SUBTRACT})
        m_kind[nKey] = kKindNavigation;
    for (unsigned nKey = 'A'; nKey <= 'Z'; ++nKey)
        m_kind[nKey] = kKindNote;
    for (unsigned nKey :
         {VK_OEM_1, VK_OEM_COMMA, VK_OEM_PERIOD, VK_OEM_2, VK_OEM_4, VK_OEM_6, VK_OEM_7})
        m_kind[nKey] = kKindNote;
    for (unsigned nKey = '0'; nKey <= '9'; ++nKey)
        m_kind[nKey] = kKindChordKey;
    m_kind[VK_OEM_PLUS] = kKindChordKey;
    m_kind[VK_OEM_MINUS] = kKindChordKey;
    for (unsigned nKey = VK_F1; nKey <= VK_F5; ++nKey)
        m_kind[nKey] = kKindReserved;
    for (unsigned nKey = VK_F9; nKey <= VK_F12; ++nKey)
        m_kind[nKey] = kKindReserved;
    for (unsigned nKey : {VK_OEM_3, VK_F6, VK_F7, VK_F8, VK_INSERT, VK_DELETE})
        m_kind[nKey] = kKindModeKey;
    for (unsigned nKey = VK_NUMPAD0; nKey <= VK_NUMPAD9; ++nKey)
        m_kind[nKey] = kKindDegree;

    for (const SNoteKey& key : kNoteKeys) {
        m_orvoNote[key.nKey & 0x3F] = static_cast<std::int8_t>(key.nOrvo - kNoteBase);
        m_klavierNote[key.nKey & 0x3F] =
            static_cast<std::int8_t>(key.nKlavier == 0 ? 0 : key.nKlavier - kNoteBase);
    }
}

bool CKeyMap::OnKeyDown(std::uint32_t& dwFlags, unsigned& nValue, unsigned& nAction) {
    return Dispatch(m_onDown, dwFlags, nValue, nAction);
}

bool CKeyMap::OnKeyUp(std::uint32_t& dwFlags, unsigned& nValue, unsigned& nAction) {
    return Dispatch(m_onUp, dwFlags, nValue, nAction);
}

std::uint32_t CKeyMap::ExpireLatch(std::uint32_t dwFlags) {
    return dwFlags & ~kFlagLatch;
}

bool CKeyMap::Dispatch(const std::array<Handler, 6>& handlers, std::uint32_t& dwFlags,
                       unsigned& nValue, unsigned& nAction) {
    if (nValue >= m_kind.size())
        return false;
    const int nKind = m_kind[nValue];
    if (nKind == kKindNone)
        return false;
    m_nKind = static_cast<std::uint16_t>(nKind);
    m_dwFlagsCopy = dwFlags;
    if (!(this->*handlers[static_cast<std::size_t>(nKind)])(nValue))
        return false;
    nAction = m_nKind;
    dwFlags = m_dwFlagsCopy;
    return true;
}

int CKeyMap::NoteOfKey(unsigned nKey, std::uint32_t dwFlags) const {
    if (nKey >= m_kind.size())
        return -1;
    const int nKind = m_kind[nKey];
    if (nKind != kKindNote && (nKind != kKindChordKey || (dwFlags & kFlagChordMode)))
        return -1;
    const unsigned i = nKey & 0x3F;
    if (dwFlags & kFlagKlavierMode)
        return m_klavierNote[i] == 0 ? -1 : m_klavierNote[i] + kNoteBase;
    return m_orvoNote[i] + kNoteBase;
}

bool CKeyMap::OnNavigationDown(unsigned& nValue) {
    nValue = m_navCode[nValue & 15];
    return true;
}

bool CKeyMap::OnNoteDown(unsigned& nValue) {
    const unsigned i = nValue & 0x3F;
    if (m_dwFlagsCopy & kFlagKlavierMode) {
        const int nNote = m_klavierNote[i];
        if (nNote == 0)
            return false;
        nValue = static_cast<unsigned>(nNote + kNoteBase);
    } else {
        nValue = static_cast<unsigned>(m_orvoNote[i] + kNoteBase);
    }
    return true;
}

std::uint32_t CKeyMap::ChordKeyBit(unsigned nKey) const {
    return 1u << m_chordBit[nKey & 15];
}

// Of the shape bits 22..25 and of the variant bits 26..27 only one each may be set: a key of
// such a group clears the others.
std::uint32_t CKeyMap::ClearGroupOf(std::uint32_t dwFlags, std::uint32_t dwBit) {
    if (dwBit & kFlagChordShapeMask)
        dwFlags &= ~(kFlagChordShapeMask & ~dwBit);
    else if (dwBit & kFlagChordVariantMask)
        dwFlags &= ~(kFlagChordVariantMask & ~dwBit);
    return dwFlags;
}

bool CKeyMap::OnChordKeyDown(unsigned& nValue) {
    // Outside chord mode the number row plays notes.
    if (!(m_dwFlagsCopy & kFlagChordMode)) {
        m_nKind = kActionNote;
        return OnNoteDown(nValue);
    }
    m_nKind = kActionFlags;
    const std::uint32_t dwBit = ChordKeyBit(nValue);
    m_dwFlagsCopy = ClearGroupOf(m_dwFlagsCopy, dwBit) ^ dwBit;
    m_dwFlagsCopy |= kFlagLatch;
    return true;
}

bool CKeyMap::OnLowNibble(unsigned& nValue) {
    nValue &= 15;
    return true;
}

bool CKeyMap::OnModeKeyDown(unsigned& nValue) {
    const std::uint32_t dwBit = 1u << (nValue & 15);
    // Insert always switches "navigation changes the mode" on; Delete toggles "to the
    // relative"; each switches the other off.
    if (dwBit == kFlagNavChangesMode)
        m_dwFlagsCopy &= ~(kFlagNavToRelative | kFlagNavChangesMode);
    else if (dwBit == kFlagNavToRelative)
        m_dwFlagsCopy &= ~kFlagNavChangesMode;
    m_dwFlagsCopy ^= dwBit;
    m_dwFlagsCopy |= kFlagLatch;
    return true;
}

bool CKeyMap::OnNothing(unsigned&) {
    return true;
}

bool CKeyMap::OnChordKeyUp(unsigned& nValue) {
    if (!(m_dwFlagsCopy & kFlagChordMode)) {
        m_nKind = kActionNote;
        return true;
    }
    m_nKind = kActionFlags;
    // Released after the latch ran out: the key was held, so its toggle is undone.
    if (!(m_dwFlagsCopy & kFlagLatch)) {
        const std::uint32_t dwBit = ChordKeyBit(nValue);
        m_dwFlagsCopy = ClearGroupOf(m_dwFlagsCopy, dwBit) ^ dwBit;
    }
    return true;
}

bool CKeyMap::OnModeKeyUp(unsigned& nValue) {
    if (!(m_dwFlagsCopy & kFlagLatch))
        m_dwFlagsCopy ^= 1u << (nValue & 15);
    return true;
}
