#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <list>

class CSong;
class CTrack;

// Everything played live, kept for the last 30 minutes whether recording or not, so that an idea
// played before anyone thought of Record can still be saved or put into the song.
//
// Times are milliseconds of a clock the caller keeps (the engine's timer ticks times 20). The
// clock may wrap round; a time up to 30 minutes before the last one is taken as the last one,
// anything else as later. Memory stays bounded: past kMaxNotes notes or kMaxTonalities
// tonality changes the oldest go, even inside the 30 minutes. Nothing here prints or shows
// anything.
class CLiveCapture {
public:
    static constexpr std::uint32_t kWindowMilliseconds = 30 * 60 * 1000;
    // 3 MB of notes: 30 minutes at 145 notes a second.
    static constexpr std::size_t kMaxNotes = std::size_t{1} << 18;
    static constexpr std::size_t kMaxTonalities = 4096;
    static constexpr std::uint32_t kTimerMilliseconds = 20;

    // A note struck at nTime on nChannel (0..15) with the program the channel had then, lasting
    // nDuration song ticks at nStep ticks per 20 ms timer tick, the step its end is scheduled
    // with (0 counts as 1, as the scheduler's clock never stands still).
    void AddNote(std::uint32_t nTime, std::uint8_t nChannel, std::uint8_t nNote,
                 std::uint8_t nProgram, std::uint32_t nDuration, std::uint32_t nStep);
    // A key held down from nTime (a MIDI input's): kept like AddNote's notes, its length set
    // when EndHeldNote releases it; until then it lasts up to the moment the notes are taken.
    void StartHeldNote(std::uint32_t nTime, std::uint8_t nChannel, std::uint8_t nNote,
                       std::uint8_t nProgram);
    // The held key of nChannel and nNote released at nTime; a key not held is ignored.
    void EndHeldNote(std::uint32_t nTime, std::uint8_t nChannel, std::uint8_t nNote);
    // The tonality from nTime on (black-degree mask and keynote, as CScale::GetTonalityRecord
    // gives them). The one in force when the kept notes start goes with them.
    void AddTonality(std::uint32_t nTime, std::uint16_t wMask, std::uint8_t nKeynote);
    void Clear();

    // Notes struck in the 30 minutes up to nNow.
    std::size_t GetNoteCount(std::uint32_t nNow) const;

    // Replaces song by the notes of the 30 minutes up to nNow, as a file of their own: the first
    // note at tick 0, nTicksPerQuarter ticks to the quarter note, nStep ticks per 20 ms (the
    // tempo in use), written as a tempo event so that any player hears the notes as they were
    // played. A first inactive track holds the tempo and the tonality changes; then one
    // instrument track per channel in channel order with its program, later programs of the
    // channel as program changes. False, song untouched, when nothing was played.
    bool MakeSong(CSong& song, std::uint32_t nNow, std::uint32_t nTicksPerQuarter,
                  std::uint32_t nStep) const;
    // Appends the notes of the 30 minutes up to nNow to song as new instrument tracks, one per
    // channel played, the first note at nAtTick, in the song's ticks at its step in use. Each
    // track takes its own channel: the one played when no instrument of the song uses it,
    // otherwise the first unused channel but the drum channel 9 (drums stay on 9); with all 16
    // in use, the channel played. False, song untouched, when nothing was played.
    bool AddToSong(CSong& song, std::uint32_t nNow, std::uint32_t nAtTick = 0) const;

private:
    struct SNote {
        std::uint32_t nStart;  // caller's milliseconds
        std::uint32_t nLength; // microseconds
        std::uint8_t nNote;
        std::uint8_t nChannel;
        std::uint8_t nProgram;
    };
    struct STonality {
        std::uint32_t nTime;
        std::uint16_t wMask;
        std::uint8_t nKeynote;
    };

    // nTime, or the last time when nTime lies up to 30 minutes before it.
    std::uint32_t Clamped(std::uint32_t nTime) const;
    void DropBefore(std::uint32_t nNow);
    // Index of the first note struck in the 30 minutes up to nNow.
    std::size_t FirstKept(std::uint32_t nNow) const;
    // The note tracks from note nFirst on, one per channel in channel order, channel c moved to
    // channels[c]; times count from note nFirst's start at nAtTick.
    void AppendNoteTracks(std::list<CTrack>& tracks, std::size_t nFirst,
                          const std::uint8_t (&channels)[16], std::uint32_t nAtTick,
                          std::uint32_t nStep, std::uint32_t nNow) const;
    void PushNote(std::uint32_t nTime, std::uint8_t nChannel, std::uint8_t nNote,
                  std::uint8_t nProgram, std::uint32_t nLength);
    void PopOldestNote();

    // The length of a held key not yet released.
    static constexpr std::uint32_t kHeld = 0xFFFFFFFFu;

    std::deque<SNote> m_notes;
    // How many notes were dropped from the front since the start: a note's number less this is
    // its place in m_notes.
    std::uint64_t m_nDropped = 0;
    // Per channel and key, one more than the number of its held note; 0: none held.
    std::array<std::uint64_t, 16 * 128> m_held{};
    std::deque<STonality> m_tonalities;
    // The latest tonality change dropped: in force until the first one kept.
    STonality m_tonalityBefore{};
    bool m_bTonalityBefore = false;
    std::uint32_t m_nLastTime = 0;
    bool m_bAnyTime = false;
};
