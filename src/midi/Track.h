#pragma once

#include "midi/MidiEvent.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <vector>

// One track of the song: its events in time order with delta times, its instrument (channel and
// program, held here rather than as the first program change of its channel; later program
// changes stay events), the time its end of track was read at, a play cursor with the cached
// absolute time of the next event, and a record position for overdubbing. List iterators serve
// as positions: they stay valid while events are inserted around them. A track refers into its
// own list, so it is neither copied nor moved.
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

    // Play cursor to the first event; an instrument with its own program plays that first.
    void Rewind();
    // The event at the play cursor (which must not be exhausted); the cursor moves on.
    const CMidiEvent& PopNextEvent();
    bool IsExhausted() const { return m_posPlay == m_events.end() && !m_bProgramDue; }

    // Record position none, offset 0: recording starts at tick 0.
    void ResetRecord();
    // Moves the record time on by nStep ticks, passing every event that lies strictly before it.
    void AdvanceRecord(std::uint32_t nStep);
    // A note-on on the track's channel at the record time; events after it keep their times.
    const CMidiEvent& InsertNote(std::uint8_t nNote, std::uint32_t nDuration,
                                 std::uint8_t nVelocity = 127);
    // A channel message other than a note on the track's channel at the record time.
    void InsertMessage(std::uint8_t nStatus, std::uint8_t nData1, std::uint8_t nData2);
    // The program's scale event (black-degree mask, keynote) at the record time.
    void InsertScaleEvent(std::uint16_t nMask, std::uint8_t nKeynote);
    void FreeEvents();

    // Appends the tracks of an encoded track chunk to tracks. Note-ons are paired with their ends
    // into durations in one pass and note-offs are dropped. A chunk whose notes use several
    // channels becomes one track per channel, in channel order; the first keeps the meta and
    // SysEx events and the messages of channels without notes. A track with notes is an
    // instrument on their channel; a track without notes only when its one channel message is a
    // program change (an instrument saved before anything was recorded on it).
    static void AppendFromChunk(const std::uint8_t* pData, std::size_t nSize,
                                std::list<CTrack>& tracks);
    // An upper bound of the encoded size in bytes.
    std::size_t EstimateSize() const;
    // Appends the encoded events to chunk: the instrument's program change at tick 0 when the
    // track has one, note-offs regenerated from durations, end of track last (at m_nEndTime, or
    // at the last event when that is later).
    void WriteToChunk(std::vector<std::uint8_t>& chunk) const;

    EventList m_events;
    Position m_posPlay;
    std::uint32_t m_nNextPlayTime = kNoTime;
    Position m_posRecord; // m_events.end(): before the first event
    std::uint32_t m_nRecordOffset = 0;
    bool m_bActive = false;
    std::uint8_t m_nChannel = 0;
    std::uint8_t m_nProgram = 0;
    // Whether m_nProgram is the track's own program change, written at its start. A track read
    // without a program change before its first note has none: it plays with what its channel
    // has, and writing one would override the program another track gives that channel.
    bool m_bOwnProgram = false;
    // Absolute tick of the end of track as read; 0 for a track made here.
    std::uint32_t m_nEndTime = 0;

private:
    // The program change that plays the instrument's own program at the start of playback.
    CMidiEvent m_programEvent;
    bool m_bProgramDue = false;

    // Decodes a chunk into this empty track with every program change kept; returns the channels
    // whose notes were kept (bit n for channel n).
    std::uint32_t Decode(const std::uint8_t* pData, std::size_t nSize);
    // Moves the messages of every channel in nChannels but the lowest into new tracks appended
    // to tracks, in channel order.
    void SplitChannels(std::uint32_t nChannels, std::list<CTrack>& tracks);
    // Makes the track an instrument as described at AppendFromChunk, on nChannel when it has
    // notes (negative when not): the first program change of its channel before its first note
    // becomes its program and leaves the events.
    void TakeInstrument(int nChannel);

    const CMidiEvent& InsertAtRecordPosition(CMidiEvent&& event);
    // Note lengths as written: cut where the key is struck again while it sounds.
    std::vector<std::uint32_t> CutNoteLengths() const;
    // One pass over the events. With no lengths given it gives up (false) at the first key
    // struck again while it sounds.
    bool WriteEvents(std::vector<std::uint8_t>& chunk,
                     const std::vector<std::uint32_t>* pLengths) const;
};
