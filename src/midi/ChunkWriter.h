#pragma once

#include "midi/MidiEvent.h"

#include <cstdint>
#include <vector>

// Appends encoded events to a track chunk. Every event carries its own status byte: running
// status is never used on output. Deltas and lengths that do not fit in four bytes are clamped.
class CChunkWriter {
public:
    static constexpr std::uint32_t kMaxVarLen = 0x0FFFFFFF;

    explicit CChunkWriter(std::vector<std::uint8_t>& chunk) : m_chunk(chunk) {}

    void WriteVarLen(std::uint32_t nValue);
    void WriteEvent(std::uint32_t nDelta, const CMidiEvent& event);
    void WriteChannelMessage(std::uint32_t nDelta, std::uint8_t status, std::uint8_t data1,
                             std::uint8_t data2);

private:
    std::vector<std::uint8_t>& m_chunk;
};
