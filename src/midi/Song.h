#pragma once

#include "midi/MidiEvent.h"
#include "midi/MidiFile.h"
#include "midi/Track.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <list>
#include <vector>

// The song: tracks in file order, the clocks that turn the 20 ms timer into ticks, playback by
// merging the tracks on their cached next times, and overdub recording at per-track record
// positions. It loads from and saves to Standard MIDI Files through its file container.
class CSong : public CMidiFile {
public:
    static constexpr std::uint32_t kDefaultTicksPerQuarter = 384;
    static constexpr std::uint32_t kDefaultBaseStep = 15;
    static constexpr std::uint32_t kTimerMilliseconds = 20;
    static constexpr std::uint32_t kQuarterMilliseconds = 500;

    CSong();
    CSong(const CSong&) = delete;
    CSong& operator=(const CSong&) = delete;

    // The song of File > New: one inactive empty track, default timing. The note length stays.
    void Reset();
    void RemoveAllTracks();
    // Appends an active track with this program on the first free channel; returns the channel.
    std::uint8_t AddTrack(std::uint8_t nProgram);
    // The lowest channel no active track uses (0 when all 16 are taken).
    std::uint8_t FirstFreeChannel() const;
    // The n-th active track (counting active tracks only, from 0), or null.
    CTrack* FindActiveTrack(std::size_t n);
    std::uint8_t GetActiveTrackChannel(std::size_t n);
    void RemoveActiveTrack(std::size_t n);
    std::size_t GetActiveTrackCount() const;

    void SetTempo(std::uint32_t nPercent);
    void SetNoteLength(std::uint32_t nEighths);
    void SetLengthPercent(std::uint32_t nPercent) { m_nLengthPercent = nPercent; }

    // Playback from tick 0.
    void Rewind();
    // False when the song is finished; otherwise true with the event due now in pEvent, or null
    // when nothing is due yet. The event stays owned by its track. Notes recorded as the song
    // played, due at once, are passed over: they sounded when they were played.
    bool GetNextDueEvent(const CMidiEvent*& pEvent);

    void ResetRecordPositions();
    // Moves every track's record time on by one timer tick (m_nStep).
    void AdvanceRecordTime();
    // Records a note-on into the first active track on the note's channel; nothing when no
    // active track uses that channel.
    void RecordNote(std::uint8_t nChannel, std::uint8_t nNote, std::uint32_t nDuration);
    // A key held on a MIDI input: recorded now, with its velocity, and given its length when it
    // is released (EndHeldNote). A key struck again while held ends the first.
    void StartHeldNote(std::uint8_t nChannel, std::uint8_t nNote, std::uint8_t nVelocity);
    void EndHeldNote(std::uint8_t nChannel, std::uint8_t nNote);
    // Any other channel message but a program change (the Orchestra keeps the programs), into
    // the first active track on its channel.
    void RecordMessage(std::uint8_t nStatus, std::uint8_t nData1, std::uint8_t nData2);
    // Records the program's scale event into the first track of the list.
    void RecordScale(std::uint16_t nMask, std::uint8_t nKeynote);

    // Replaces the song by a file's; fails (song unchanged) when it cannot be read, saying why.
    CFileResult Load(const std::filesystem::path& path);
    bool LoadMemory(const std::uint8_t* pData, std::size_t nSize);
    // Fails, saying why, when the file could not be written; an existing file is then left whole.
    CFileResult Save(const std::filesystem::path& path);
    // The bytes Save writes; false (out empty) when no file could hold the song. The song
    // counts as saved no more than before.
    bool SaveMemory(std::vector<std::uint8_t>& out);
    // Encodes the tracks into m_chunks and the header fields, as Save writes them.
    void EncodeChunks();

    // Unsaved changes: every change a saved file would hold (a track added or removed, a
    // program, a recorded note or scale) marks the song; Reset, Load and Save clear the mark.
    bool IsModified() const { return m_bModified; }
    void SetModified(bool bModified) { m_bModified = bModified; }
    void MarkModified();
    // Counts every change of the song's content, so that its owner can tell whether anything
    // changed since it last looked.
    std::uint64_t GetChangeCount() const { return m_nChanges; }

    std::list<CTrack> m_tracks;
    std::uint32_t m_nPlayTime = 0;
    // Ticks recorded since the record positions were reset.
    std::uint32_t m_nRecordTime = 0;
    std::uint32_t m_nBaseStep = kDefaultBaseStep;
    std::uint32_t m_nStep = kDefaultBaseStep;
    std::uint32_t m_nTicksPerQuarter = kDefaultTicksPerQuarter;
    std::uint32_t m_nNoteLength = kDefaultTicksPerQuarter;
    std::uint32_t m_nTempo = 100;
    std::uint32_t m_nLengthPercent = 100;
    CTrack* m_pNextTrack = nullptr;

private:
    void SelectNextTrack();
    bool LoadChunks();
    // Gives each loaded track without a program of its own the one its first note plays with.
    void FindProgramsHeard();

    // Notes recorded while the song plays that are due at its next tick. They sounded as they
    // were played; playback passes over them rather than striking them again 20 ms later.
    std::vector<const CMidiEvent*> m_heard;
    // Keys held on an input that were recorded, by channel * 128 + note: their note-on and the
    // record time it was struck at. Emptied with the tracks that hold them.
    struct SHeldNote {
        CMidiEvent* m_pEvent = nullptr;
        std::uint32_t m_nStart = 0;
    };
    std::vector<std::pair<std::uint32_t, SHeldNote>> m_held;
    CTrack* FindTrack(std::uint8_t nChannel);
    bool m_bModified = false;
    std::uint64_t m_nChanges = 0;
};
