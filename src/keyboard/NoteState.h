#pragma once

#include <array>
#include <cstdint>

// What one note of the keyboard shows: whether the mouse is on it and which channels sound it,
// directly or as an octave echo of another note.
class CNoteState {
public:
    static constexpr std::uint8_t kNone = 255;
    static constexpr int kLevels = 9;

    // Mask index of an octave offset: 0, -1, +1, -2, +2, ... so that nearer offsets come first.
    static constexpr int LevelOfOffset(int nOffset) {
        return nOffset >= 0 ? 2 * nOffset : 2 * -nOffset - 1;
    }
    static constexpr int OffsetOfLevel(int nLevel) {
        return (nLevel & 1) != 0 ? -(nLevel + 1) / 2 : nLevel / 2;
    }

    void Reset();
    // Sets or clears channel nChannel (0..15) at octave offset nOffset (-4..4). Returns whether
    // the shown channel or level changed. Values out of range change nothing.
    bool SetChannel(int nChannel, int nOffset, bool bOn);

    bool IsSounding() const { return m_nChannel != kNone; }

    std::uint8_t m_bHover = 0;
    std::array<std::uint16_t, kLevels> m_wChannels{};
    std::uint8_t m_nChannel = kNone;
    std::uint8_t m_nLevel = kNone;
};
