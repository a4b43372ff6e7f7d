#pragma once

#include "midi/MidiEvent.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <vector>

// One track of the song: its events in time order with delta times, its instrument (channel and
// program, held here rather than as events), a play cursor with the cached absolute time of the
// next event, and a record position for overdubbing. List iterators serve as positions: they
// stay valid while events are inserted around them. A track refers into its own list, so it is
// neither copied nor moved.
class CTrack {
public:
    using EventList = std::list<CMidiEvent>;
    using Position = EventList::iterator;

    static constexpr std::uint32_t kNoTime = 0xFFFFFFFF;
    static constexpr std::uint8_t kScaleMetaId0 = 0x27;
    static constexpr std::uint8_t kScaleMetaId1 = 0x59;
    static constexpr std::uint32_t kScaleMetaLength = 5;

    CTrack();
    CTrack(const CTrack&) = delete;
    CTrack& operator=(const CTrack&) = delete;

    // Play cursor to the first event.
    void Rewind();
    // The event at the play cursor (which must not be exhausted); the cursor moves on.
    const CMidiEvent& PopNextEvent();
    bool IsExhausted() const { return m_posPlay == m_events.end(); }

    // Record position none, offset 0: recording starts at tick 0.
    void ResetRecord();
    // Moves the record time on by nStep ticks, passing every event that lies strictly before it.
    void AdvanceRecord(std::uint32_t nStep);
    // A note-on on the track's channel at the record time; events after it keep their times.
    const CMidiEvent& InsertNote(std::uint8_t nNote, std::uint32_t nDuration);
    // The program's scale event (black-degree mask, keynote) at the record time.
    void InsertScaleEvent(std::uint16_t nMask, std::uint8_t nKeynote);
    void FreeEvents();

    // Replaces the events by those of an encoded track chunk: note-ons are paired with their ends
    // into durations (one pass), note-offs and program changes are dropped (the first program
    // change becomes the track's program), the first kept note-on makes the track active.
    void LoadFromChunk(const std::uint8_t* pData, std::size_t nSize);
    // An upper bound of the encoded size in bytes.
    std::size_t EstimateSize() const;
    // Appends the encoded events to chunk: a program change at tick 0 when active, note-offs
    // regenerated from durations, end of track last.
    void WriteToChunk(std::vector<std::uint8_t>& chunk) const;

    EventList m_events;
    Position m_posPlay;
    std::uint32_t m_nNextPlayTime = kNoTime;
    Position m_posRecord; // m_events.end(): before the first event
    std::uint32_t m_nRecordOffset = 0;
    bool m_bActive = false;
    std::uint8_t m_nChannel = 0;
    std::uint8_t m_nProgram = 0;

private:
    const CMidiEvent& InsertAtRecordPosition(CMidiEvent&& event);
    // Note lengths as written: cut where the key is struck again while it sounds.
    std::vector<std::uint32_t> CutNoteLengths() const;
    // One pass over the events. With no lengths given it gives up (false) at the first key
    // struck again while it sounds.
    bool WriteEvents(std::vector<std::uint8_t>& chunk,
                     const std::vector<std::uint32_t>* pLengths) const;
};
