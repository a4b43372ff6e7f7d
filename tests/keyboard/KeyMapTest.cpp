#include "keyboard/KeyMap.h"
#include "keyboard/VirtualKeys.h"
#include "theory/ModeFlags.h"
#include "theory/Scale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

struct SAnswer {
    unsigned nAction;
    unsigned nValue;
    std::uint32_t dwFlags;
};

std::optional<SAnswer> Down(CKeyMap& map, unsigned nKey, std::uint32_t dwFlags) {
    unsigned nValue = nKey;
    unsigned nAction = 99;
    if (!map.OnKeyDown(dwFlags, nValue, nAction))
        return std::nullopt;
    return SAnswer{nAction, nValue, dwFlags};
}

std::optional<SAnswer> Up(CKeyMap& map, unsigned nKey, std::uint32_t dwFlags) {
    unsigned nValue = nKey;
    unsigned nAction = 99;
    if (!map.OnKeyUp(dwFlags, nValue, nAction))
        return std::nullopt;
    return SAnswer{nAction, nValue, dwFlags};
}

std::optional<unsigned> NoteOf(CKeyMap& map, unsigned nKey, std::uint32_t dwFlags) {
    const auto answer = Down(map, nKey, dwFlags);
    if (!answer || answer->nAction != CKeyMap::kActionNote)
        return std::nullopt;
    return answer->nValue;
}

// The main view's side of the keys: its flags word, its latch timer and what it plays.
class CViewKeys {
public:
    std::uint32_t m_dwFlags = 0;
    bool m_bLatchTimer = false;
    std::vector<unsigned> m_notes;
    CKeyMap m_keyMap;
    CScale m_scale;

    void KeyDown(unsigned nKey) {
        std::uint32_t dw = m_dwFlags;
        unsigned nValue = nKey;
        unsigned nAction = 0;
        if (!m_keyMap.OnKeyDown(dw, nValue, nAction))
            return;
        switch (nAction) {
        case CKeyMap::kActionNavigate:
            m_scale.Navigate(static_cast<std::uint8_t>(nValue), m_dwFlags);
            break;
        case CKeyMap::kActionNote:
            m_notes.push_back(nValue);
            break;
        case CKeyMap::kActionFlags:
            SetFlags(true, dw);
            break;
        case CKeyMap::kActionDegree:
            m_notes.push_back(m_scale.DegreeToNote(static_cast<std::uint8_t>(nValue)));
            break;
        default:
            break;
        }
    }
    void KeyUp(unsigned nKey) {
        std::uint32_t dw = m_dwFlags;
        unsigned nValue = nKey;
        unsigned nAction = 0;
        if (m_keyMap.OnKeyUp(dw, nValue, nAction) && nAction == CKeyMap::kActionFlags)
            SetFlags(false, dw);
    }
    void Tap(unsigned nKey) {
        KeyDown(nKey);
        KeyUp(nKey);
    }
    void Hold(unsigned nKey) {
        KeyDown(nKey);
        LatchExpires();
        KeyUp(nKey);
    }
    void LatchExpires() {
        if (!m_bLatchTimer)
            return;
        m_dwFlags = CKeyMap::ExpireLatch(m_dwFlags);
        m_bLatchTimer = false;
    }
    bool Has(std::uint32_t dwBits) const { return (m_dwFlags & dwBits) == dwBits; }

private:
    void SetFlags(bool bFromKeyDown, std::uint32_t dwNew) {
        if (bFromKeyDown) {
            if ((dwNew & kFlagLatch) && !m_bLatchTimer)
                m_bLatchTimer = true;
        } else if (m_bLatchTimer) {
            m_bLatchTimer = false;
            dwNew &= ~kFlagLatch;
        }
        const auto n = static_cast<std::uint32_t>(CScale::GetChordSize(dwNew));
        const std::uint32_t nInversion = (dwNew & kFlagInversionMask) >> kInversionShift;
        dwNew = (dwNew & ~(kFlagChordSizeMask | kFlagInversionMask)) | (n << kChordSizeShift) |
                ((nInversion % n) << kInversionShift);
        m_dwFlags = dwNew;
    }
};

constexpr std::uint32_t Bit(unsigned n) {
    return 1u << n;
}

TEST(KeyMapTest, OrvoAndKlavierNotes) {
    CKeyMap map;
    EXPECT_EQ(NoteOf(map, 'Q', 0), 53u);
    EXPECT_EQ(NoteOf(map, 'Q', kFlagKlavierMode), 60u);
    EXPECT_EQ(NoteOf(map, 'F', 0), 53u);
    EXPECT_EQ(NoteOf(map, 'F', kFlagKlavierMode), std::nullopt);
    EXPECT_FALSE(Down(map, 'F', kFlagKlavierMode).has_value());
    EXPECT_EQ(NoteOf(map, 'A', 0), 50u);
    EXPECT_EQ(NoteOf(map, 'A', kFlagKlavierMode), 38u);
    EXPECT_EQ(NoteOf(map, '5', 0), 60u);
    EXPECT_EQ(NoteOf(map, '5', kFlagKlavierMode), 66u);

    // Whole rows, Orvo then Klavier (0 = no note).
    struct SRow {
        std::vector<unsigned> keys;
        std::vector<unsigned> orvo;
        std::vector<unsigned> klavier;
    };
    const SRow rows[] = {
        {{'1', '2', '3', '4', '5', '6', '7', '8', '9', '0', VK_OEM_MINUS, VK_OEM_PLUS},
         {56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67},
         {0, 61, 63, 0, 66, 68, 70, 0, 73, 75, 0, 78}},
        {{'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', VK_OEM_4, VK_OEM_6},
         {53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64},
         {60, 62, 64, 65, 67, 69, 71, 72, 74, 76, 77, 79}},
        {{'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', VK_OEM_1, VK_OEM_7},
         {50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60},
         {38, 49, 51, 0, 54, 56, 58, 0, 61, 63, 0}},
        {{'Z', 'X', 'C', 'V', 'B', 'N', 'M', VK_OEM_COMMA, VK_OEM_PERIOD, VK_OEM_2},
         {47, 48, 49, 50, 51, 52, 53, 54, 55, 56},
         {48, 50, 52, 53, 55, 57, 59, 60, 62, 64}},
    };
    for (const SRow& row : rows) {
        for (std::size_t i = 0; i < row.keys.size(); ++i) {
            EXPECT_EQ(NoteOf(map, row.keys[i], 0), row.orvo[i]) << row.keys[i];
            const auto klavier = NoteOf(map, row.keys[i], kFlagKlavierMode);
            if (row.klavier[i] == 0) {
                EXPECT_FALSE(klavier.has_value()) << row.keys[i];
            } else {
                EXPECT_EQ(klavier, row.klavier[i]) << row.keys[i];
            }
            // Releasing a note key changes nothing.
            const auto up = Up(map, row.keys[i], 0x1234);
            ASSERT_TRUE(up.has_value());
            EXPECT_NE(up->nAction, CKeyMap::kActionFlags);
            EXPECT_EQ(up->dwFlags, 0x1234u);
        }
    }
}

TEST(KeyMapTest, UnknownKeysAreNotHandled) {
    CKeyMap map;
    for (unsigned nKey : {0u, 0x08u, 0x0Du, 0x10u, 0x20u, VK_MULTIPLY, VK_DECIMAL, VK_OEM_5,
                          VK_OEM_102, 0xFFu, 0x100u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(Down(map, nKey, 0).has_value()) << nKey;
        EXPECT_FALSE(Up(map, nKey, 0).has_value()) << nKey;
    }
    // Every code answers within its kind's range, whatever the flags.
    for (unsigned nKey = 0; nKey < 512; ++nKey)
        for (std::uint32_t dwFlags : {0u, 0xFFFFFFFFu, kFlagChordMode, kFlagKlavierMode}) {
            if (const auto answer = Down(map, nKey, dwFlags)) {
                EXPECT_LE(answer->nAction, 5u);
                if (answer->nAction == CKeyMap::kActionNote) {
                    EXPECT_LT(answer->nValue, 128u);
                }
            }
            Up(map, nKey, dwFlags);
        }
}

TEST(KeyMapTest, NavigationReservedAndDegreeKeys) {
    CKeyMap map;
    const std::pair<unsigned, unsigned> codes[] = {
        {VK_UP, 6},  {VK_DOWN, 4}, {VK_RIGHT, 9}, {VK_LEFT, 1}, {VK_HOME, 2},     {VK_PRIOR, 10},
        {VK_END, 0}, {VK_NEXT, 8}, {VK_CLEAR, 5}, {VK_ADD, 13}, {VK_SUBTRACT, 12}};
    for (const auto& [nKey, nCode] : codes) {
        const auto answer = Down(map, nKey, 0x55);
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(answer->nAction, CKeyMap::kActionNavigate);
        EXPECT_EQ(answer->nValue, nCode);
        EXPECT_EQ(answer->dwFlags, 0x55u);
    }
    for (unsigned nKey : {VK_F1, VK_F5, VK_F9, VK_F12}) {
        const auto answer = Down(map, nKey, 0);
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(answer->nAction, CKeyMap::kActionNone);
    }
    for (unsigned nDigit = 0; nDigit < 10; ++nDigit) {
        const auto answer = Down(map, VK_NUMPAD0 + nDigit, kFlagChordMode);
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(answer->nAction, CKeyMap::kActionDegree);
        EXPECT_EQ(answer->nValue, nDigit);
    }
}

TEST(KeyMapTest, KeypadPlaysDegreesAndMovesTheTonality) {
    CViewKeys view;
    view.Tap(VK_NUMPAD1);
    view.Tap(VK_NUMPAD0);
    EXPECT_EQ(view.m_notes, (std::vector<unsigned>{48, 47}));
    view.Tap(VK_UP); // keypad 8 with NumLock off
    EXPECT_STREQ(view.m_scale.GetKeynoteName(), "g");
    view.Tap(VK_NUMPAD1);
    EXPECT_EQ(view.m_notes.back(), 55u);
    view.Tap(VK_CLEAR);
    EXPECT_STREQ(view.m_scale.GetKeynoteName(), "g");
    view.Tap(VK_SUBTRACT);
    EXPECT_EQ(view.m_scale.m_nFifths, 6);
    view.Tap(VK_ADD);
    view.Tap(VK_ADD);
    EXPECT_EQ(view.m_scale.m_nFifths, 8);
    // Insert makes the moves change the mode: Up then gives g Lydian.
    view.Tap(VK_INSERT);
    view.Tap(VK_ADD);
    EXPECT_TRUE(view.Has(kFlagNavChangesMode));
    view.Tap(VK_SUBTRACT);
    view.Tap(VK_SUBTRACT);
    view.Tap(VK_UP);
    EXPECT_EQ(std::string(view.m_scale.GetName()) + view.m_scale.GetKeynoteName(), "Lydiang");
}

TEST(KeyMapTest, NumberRowInChordMode) {
    CViewKeys view;
    view.m_dwFlags = kFlagChordMode;
    view.Tap('5');
    EXPECT_TRUE(view.Has(Bit(20)));
    EXPECT_EQ((view.m_dwFlags & kFlagChordSizeMask) >> kChordSizeShift, 5u);
    view.Tap('5');
    EXPECT_FALSE(view.m_dwFlags & Bit(20));
    EXPECT_TRUE(view.m_notes.empty());
    EXPECT_FALSE(view.m_dwFlags & kFlagLatch);

    view.Tap('7');
    view.Tap('8');
    EXPECT_TRUE(view.Has(Bit(23)));
    EXPECT_FALSE(view.m_dwFlags & Bit(22));
    view.Tap(VK_OEM_MINUS);
    view.Tap(VK_OEM_PLUS);
    EXPECT_TRUE(view.Has(Bit(27)));
    EXPECT_FALSE(view.m_dwFlags & Bit(26));
    view.Tap('0');
    view.Tap('1');
    EXPECT_EQ(view.m_dwFlags & kFlagChordKeysMask, Bit(25) | Bit(27) | Bit(16));
    EXPECT_TRUE(view.m_notes.empty());

    // The chord keys leave the flags alone outside chord mode and play notes.
    CViewKeys plain;
    plain.Tap('0');
    plain.Tap(VK_OEM_PLUS);
    EXPECT_EQ(plain.m_dwFlags, 0u);
    EXPECT_EQ(plain.m_notes, (std::vector<unsigned>{65, 67}));
}

TEST(KeyMapTest, ModeKeysLatchWhenTappedAndActWhileHeld) {
    CViewKeys view;
    view.KeyDown(VK_F8);
    EXPECT_TRUE(view.Has(kFlagKlavierMode | kFlagLatch));
    EXPECT_TRUE(view.m_bLatchTimer);
    view.LatchExpires();
    EXPECT_TRUE(view.Has(kFlagKlavierMode));
    view.KeyUp(VK_F8);
    EXPECT_FALSE(view.m_dwFlags & kFlagKlavierMode);

    view.Tap(VK_F8);
    EXPECT_TRUE(view.Has(kFlagKlavierMode));
    EXPECT_FALSE(view.m_dwFlags & kFlagLatch);
    EXPECT_FALSE(view.m_bLatchTimer);
    view.Tap(VK_F8);
    EXPECT_FALSE(view.m_dwFlags & kFlagKlavierMode);

    const std::pair<unsigned, std::uint32_t> keys[] = {{VK_OEM_3, kFlagChordMode},
                                                       {VK_F6, kFlagWhiteOnly},
                                                       {VK_F7, kFlagPenMode},
                                                       {VK_F8, kFlagKlavierMode}};
    for (const auto& [nKey, dwBit] : keys) {
        CViewKeys modes;
        modes.Hold(nKey);
        EXPECT_EQ(modes.m_dwFlags & ~kFlagChordSizeMask, 0u);
        modes.Tap(nKey);
        EXPECT_EQ(modes.m_dwFlags & ~kFlagChordSizeMask, dwBit);
        // The menu item arrives as a key-up alone and toggles once.
        modes.KeyUp(nKey);
        EXPECT_EQ(modes.m_dwFlags & ~kFlagChordSizeMask, 0u);
        modes.KeyUp(nKey);
        EXPECT_EQ(modes.m_dwFlags & ~kFlagChordSizeMask, dwBit);
    }
}

TEST(KeyMapTest, InsertAndDelete) {
    CViewKeys view;
    view.Tap(VK_INSERT);
    EXPECT_TRUE(view.Has(kFlagNavChangesMode));
    view.Tap(VK_INSERT);
    EXPECT_TRUE(view.Has(kFlagNavChangesMode));
    view.Tap(VK_DELETE);
    EXPECT_FALSE(view.m_dwFlags & kFlagNavChangesMode);
    EXPECT_TRUE(view.Has(kFlagNavToRelative));
    view.Tap(VK_DELETE);
    EXPECT_FALSE(view.m_dwFlags & (kFlagNavChangesMode | kFlagNavToRelative));
    view.Tap(VK_DELETE);
    view.Tap(VK_INSERT);
    EXPECT_EQ(view.m_dwFlags & (kFlagNavChangesMode | kFlagNavToRelative), kFlagNavChangesMode);
    // Held, Insert acts only while held.
    CViewKeys held;
    held.KeyDown(VK_INSERT);
    held.LatchExpires();
    EXPECT_TRUE(held.Has(kFlagNavChangesMode));
    held.KeyUp(VK_INSERT);
    EXPECT_FALSE(held.m_dwFlags & kFlagNavChangesMode);
}

TEST(KeyMapTest, ChordKeysHeldAndOverlapping) {
    CViewKeys view;
    view.m_dwFlags = kFlagChordMode;
    // Held: the chord lasts while the key is down.
    view.KeyDown('3');
    view.LatchExpires();
    EXPECT_TRUE(view.Has(Bit(18)));
    view.KeyUp('3');
    EXPECT_FALSE(view.m_dwFlags & Bit(18));

    // Overlap: the first release within the latch time stops the timer, so the second key,
    // however quickly released, toggles back.
    view.KeyDown('3');
    view.KeyDown('5');
    view.KeyUp('3');
    EXPECT_TRUE(view.Has(Bit(18) | Bit(20)));
    view.KeyUp('5');
    EXPECT_TRUE(view.Has(Bit(18)));
    EXPECT_FALSE(view.m_dwFlags & Bit(20));

    // 8 held over a latched 7: 7 is cleared at the press and stays cleared.
    CViewKeys shapes;
    shapes.m_dwFlags = kFlagChordMode;
    shapes.Tap('7');
    EXPECT_TRUE(shapes.Has(Bit(22)));
    shapes.KeyDown('8');
    EXPECT_FALSE(shapes.m_dwFlags & Bit(22));
    shapes.LatchExpires();
    shapes.KeyUp('8');
    EXPECT_FALSE(shapes.m_dwFlags & (Bit(22) | Bit(23)));
}

TEST(KeyMapTest, LatchExpiryClearsOnlyTheLatch) {
    EXPECT_EQ(CKeyMap::ExpireLatch(0xFFFFFFFF), 0xFFFF7FFFu);
    EXPECT_EQ(CKeyMap::ExpireLatch(kFlagChordMode), kFlagChordMode);
}

} // namespace
