#pragma once

#include "midi/MidiEvent.h"

#include <cstddef>
#include <cstdint>

// Decodes the events of one track chunk in file order. It never looks past the chunk: an event
// cut off by the end of the data, or whose length runs past it, ends the track like an
// end-of-track event does. Running status is followed on input.
class CChunkReader {
public:
    // The largest value a variable-length number of four bytes can hold.
    static constexpr std::uint32_t kMaxVarLen = 0x0FFFFFFF;

    enum class EResult {
        End,     // the track has ended; nothing more will be read
        Skipped, // bytes that make no event (system common, real-time, stray data, a channel
                 // message with a status byte among its data); the delta counts
        Event,   // a channel message, SysEx or meta event
    };

    CChunkReader(const std::uint8_t* pData, std::size_t nSize)
        : m_pCursor(pData), m_pEnd(pData + nSize) {}

    // Reads the next event with its delta. Channel messages carry their full status, so note-offs
    // and note-ons with velocity 0 come out as they are; the caller decides what to keep.
    EResult ReadEvent(std::uint32_t& nDelta, CMidiEvent& event);

    // A variable-length number; longer than four bytes saturates at kMaxVarLen. False when the
    // data ends inside it.
    bool ReadVarLen(std::uint32_t& nValue);

private:
    bool ReadByte(std::uint8_t& b);
    EResult End();

    const std::uint8_t* m_pCursor;
    const std::uint8_t* m_pEnd;
    std::uint8_t m_runningStatus = 0;
};
