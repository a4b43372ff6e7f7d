#pragma once

#include <cstdint>

// Bits of the mode-flags word (`m_dwFlags`) that the main view writes and the status bar mirrors.
constexpr std::uint32_t FLAG_CHORD_MODE = 0x00000001;
constexpr std::uint32_t FLAG_WHITE_ONLY = 0x00000020;
constexpr std::uint32_t FLAG_PEN_MODE = 0x00000040;
constexpr std::uint32_t FLAG_KLAVIER_MODE = 0x00000080;
constexpr std::uint32_t FLAG_CHORD_SIZE_MASK = 0x00000F00; // chord note count n, 1 to 6
constexpr int FLAG_CHORD_SIZE_SHIFT = 8;
constexpr std::uint32_t FLAG_NAV_MODE = 0x00002000;     // navigation changes the mode
constexpr std::uint32_t FLAG_NAV_RELATIVE = 0x00004000; // navigation moves to the relative
constexpr std::uint32_t FLAG_LATCH = 0x00008000;
constexpr std::uint32_t FLAG_CHORD_SHAPE_MASK = 0x0FFF0000; // the twelve chord bits 16-27
constexpr int FLAG_CHORD_SHAPE_SHIFT = 16;
constexpr std::uint32_t FLAG_CHORD_TYPE_MASK = 0x03C00000;    // bits 22-25: fixed chord types
constexpr std::uint32_t FLAG_CHORD_VARIANT_MASK = 0x0C000000; // bits 26-27: last step -1 / +1
constexpr std::uint32_t FLAG_INVERSION_MASK = 0xF0000000;     // inversion r, 0 to n-1
constexpr int FLAG_INVERSION_SHIFT = 28;
