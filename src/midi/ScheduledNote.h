#pragma once

#include <cstdint>

// One pending piece of work of the note scheduler: a note-off (m_nDuration 0) or a note to be
// started with m_nDuration ticks, due at m_nDue scheduler ticks.
struct CScheduledNote {
    CScheduledNote* m_pPrev = nullptr; // toward the head
    CScheduledNote* m_pNext = nullptr; // toward the tail
    std::uint8_t m_nChannel = 0;
    std::uint8_t m_nNote = 0;
    std::uint32_t m_nDuration = 0;
    std::uint32_t m_nDue = 0;
};
