#pragma once

#include <cstdint>

// Layout of the main view's mode-flags word (m_dwFlags). The key map writes it, the tonality
// reads it for chords and navigation, the view owns it.
inline constexpr std::uint32_t kFlagChordMode = 0x00000001;
inline constexpr std::uint32_t kFlagWhiteOnly = 0x00000020;
inline constexpr std::uint32_t kFlagPenMode = 0x00000040;
inline constexpr std::uint32_t kFlagKlavierMode = 0x00000080;
inline constexpr std::uint32_t kFlagChordSizeMask = 0x00000F00;
inline constexpr unsigned kChordSizeShift = 8;
inline constexpr std::uint32_t kFlagNavChangesMode = 0x00002000;
inline constexpr std::uint32_t kFlagNavToRelative = 0x00004000;
inline constexpr std::uint32_t kFlagLatch = 0x00008000;
inline constexpr std::uint32_t kFlagChordKeysMask = 0x0FFF0000;
inline constexpr unsigned kChordKeyShift = 16;
inline constexpr std::uint32_t kFlagChordShapeMask = 0x03C00000;   // bits 22..25
inline constexpr std::uint32_t kFlagChordVariantMask = 0x0C000000; // bits 26..27
inline constexpr std::uint32_t kFlagInversionMask = 0xF0000000;
inline constexpr unsigned kInversionShift = 28;
