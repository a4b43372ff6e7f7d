#pragma once

#include "midi/MidiEvent.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Appends encoded events to a track chunk. Every event carries its own status byte: running
// status is never used on output. Deltas and lengths that do not fit in four bytes are clamped;
// channel data bytes are cut to their seven bits.
// The chunk grows in steps; Finish cuts it to the bytes written.
class CChunkWriter {
public:
    static constexpr std::uint32_t kMaxVarLen = 0x0FFFFFFF;

    // nExpected: the size the chunk is expected to reach (an upper bound saves regrowing).
    CChunkWriter(std::vector<std::uint8_t>& chunk, std::size_t nExpected);

    void WriteVarLen(std::uint32_t nValue);
    void WriteEvent(std::uint32_t nDelta, const CMidiEvent& event);
    void WriteChannelMessage(std::uint32_t nDelta, std::uint8_t status, std::uint8_t data1,
                             std::uint8_t data2);
    void WriteByte(std::uint8_t b) {
        Reserve(1);
        m_chunk[m_nUsed++] = b;
    }
    // Sets the chunk's size to the bytes written.
    void Finish() { m_chunk.resize(m_nUsed); }

private:
    void Reserve(std::size_t nBytes) {
        if (m_chunk.size() - m_nUsed < nBytes) {
            m_chunk.resize(2 * m_chunk.size() + nBytes);
        }
    }
    void PutVarLen(std::uint32_t nValue);

    std::vector<std::uint8_t>& m_chunk;
    std::size_t m_nUsed;
};
