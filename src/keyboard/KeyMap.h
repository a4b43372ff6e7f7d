#pragma once

#include <array>
#include <cstdint>

// Decides what a key of the computer keyboard means: a note, a scale degree, a move of the
// tonality or a change of the mode flags. It acts on nothing itself; the view carries out the
// answer (action code, value, flags word).
class CKeyMap {
public:
    static constexpr unsigned kActionNavigate = 0; // value: navigation code for CScale::Navigate
    static constexpr unsigned kActionNote = 1;     // value: MIDI note
    static constexpr unsigned kActionNone = 3;
    static constexpr unsigned kActionFlags = 4;  // the flags word changed
    static constexpr unsigned kActionDegree = 5; // value: scale degree 0..9

    CKeyMap();

    // nValue holds the virtual-key code on entry and the note, code or degree on return;
    // dwFlags is a copy of the view's mode flags and may come back changed. False: not a key
    // of ours.
    bool OnKeyDown(std::uint32_t& dwFlags, unsigned& nValue, unsigned& nAction);
    bool OnKeyUp(std::uint32_t& dwFlags, unsigned& nValue, unsigned& nAction);

    // What the view does when its latch timer fires: the key that went down is no longer a tap.
    static std::uint32_t ExpireLatch(std::uint32_t dwFlags);

    // The note (or chord root) a letter, digit or punctuation key plays under dwFlags; -1 for
    // any other key, and for the number row in chord mode, where it shapes the chord.
    int NoteOfKey(unsigned nKey, std::uint32_t dwFlags) const;

private:
    using Handler = bool (CKeyMap::*)(unsigned& nValue);

    bool Dispatch(const std::array<Handler, 6>& handlers, std::uint32_t& dwFlags, unsigned& nValue,
                  unsigned& nAction);
    bool OnNavigationDown(unsigned& nValue);
    bool OnNoteDown(unsigned& nValue);
    bool OnChordKeyDown(unsigned& nValue);
    bool OnLowNibble(unsigned& nValue);
    bool OnModeKeyDown(unsigned& nValue);
    bool OnNothing(unsigned& nValue);
    bool OnChordKeyUp(unsigned& nValue);
    bool OnModeKeyUp(unsigned& nValue);
    std::uint32_t ChordKeyBit(unsigned nKey) const;
    static std::uint32_t ClearGroupOf(std::uint32_t dwFlags, std::uint32_t dwBit);

    std::array<std::int8_t, 256> m_kind{};
    std::array<std::int8_t, 64> m_orvoNote{};
    std::array<std::int8_t, 64> m_klavierNote{};
    std::array<std::uint8_t, 16> m_chordBit{};
    // Sixteen entries rather than the fourteen any key reaches, so every low nibble is valid.
    std::array<std::uint8_t, 16> m_navCode{};
    std::uint16_t m_nKind = 0;
    std::uint32_t m_dwFlagsCopy = 0;
    std::array<Handler, 6> m_onDown{};
    std::array<Handler, 6> m_onUp{};
};
