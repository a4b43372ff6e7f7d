#pragma once

#include "midi/ScheduledNote.h"

#include <array>
#include <cstdint>

// Pending note-offs and delayed notes in one doubly linked list ordered by due time, with a
// 16 x 128 table that finds the pending note-off of a channel and key without a search. Its
// clock runs only while something is pending and nothing is due.
class CNoteScheduler {
public:
    CNoteScheduler() = default;
    ~CNoteScheduler();
    CNoteScheduler(const CNoteScheduler&) = delete;
    CNoteScheduler& operator=(const CNoteScheduler&) = delete;

    // Drops everything pending; the clock goes back to 0.
    void ClearPending();
    // A note to start nDelay ticks from now, lasting nDuration ticks (which must not be 0).
    void ScheduleNote(std::uint8_t nChannel, std::uint8_t nNote, std::uint32_t nDuration,
                      std::uint32_t nDelay);
    // A note-off nDelay ticks from now; true when one was already pending for this channel and
    // key (it is replaced, so the note was still sounding).
    bool ScheduleNoteOff(std::uint8_t nChannel, std::uint8_t nNote, std::uint32_t nDelay);
    // Takes the earliest node when it is due and copies it to out. When something is pending but
    // nothing is due, the clock moves on by nStep and the result is false.
    bool PopDue(CScheduledNote& out, std::uint32_t nStep);

    bool IsEmpty() const { return m_pHead == nullptr; }
    std::uint32_t GetClock() const { return m_nClock; }
    // The pending note-off of a channel and key, or null.
    const CScheduledNote* FindNoteOff(std::uint8_t nChannel, std::uint8_t nNote) const {
        return m_slots[nChannel & 0x0F][nNote & 0x7F];
    }

private:
    void Insert(CScheduledNote* pNode);
    void Unlink(CScheduledNote* pNode);

    CScheduledNote* m_pHead = nullptr;
    CScheduledNote* m_pTail = nullptr;
    std::array<std::array<CScheduledNote*, 128>, 16> m_slots{};
    std::uint32_t m_nClock = 0;
};
