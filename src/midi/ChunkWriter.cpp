#include "midi/ChunkWriter.h"

#include <algorithm>

namespace {
// The largest encoding of a variable-length number.
constexpr std::size_t kMaxVarLenBytes = 4;
} // namespace

CChunkWriter::CChunkWriter(std::vector<std::uint8_t>& chunk, std::size_t nExpected)
    : m_chunk(chunk), m_nUsed(chunk.size()) {
    m_chunk.resize(m_nUsed + nExpected);
}

void CChunkWriter::PutVarLen(std::uint32_t nValue) {
    nValue = std::min(nValue, kMaxVarLen);
    std::uint8_t* p = m_chunk.data() + m_nUsed;
    if (nValue >= (1u << 21)) {
        *p++ = static_cast<std::uint8_t>(0x80u | (nValue >> 21));
    }
    if (nValue >= (1u << 14)) {
        *p++ = static_cast<std::uint8_t>(0x80u | ((nValue >> 14) & 0x7Fu));
    }
    if (nValue >= (1u << 7)) {
        *p++ = static_cast<std::uint8_t>(0x80u | ((nValue >> 7) & 0x7Fu));
    }
    *p++ = static_cast<std::uint8_t>(nValue & 0x7Fu);
    m_nUsed = static_cast<std::size_t>(p - m_chunk.data());
}

void CChunkWriter::WriteVarLen(std::uint32_t nValue) {
    Reserve(kMaxVarLenBytes);
    PutVarLen(nValue);
}

void CChunkWriter::WriteChannelMessage(std::uint32_t nDelta, std::uint8_t status,
                                       std::uint8_t data1, std::uint8_t data2) {
    Reserve(kMaxVarLenBytes + 3);
    PutVarLen(nDelta);
    std::uint8_t* p = m_chunk.data() + m_nUsed;
    *p++ = status;
    // Data bytes never have bit 7 set: a reader would take such a byte for a status.
    *p++ = static_cast<std::uint8_t>(data1 & 0x7Fu);
    const std::uint8_t nType = status & 0xF0;
    if (nType != 0xC0 && nType != 0xD0) {
        *p++ = static_cast<std::uint8_t>(data2 & 0x7Fu);
    }
    m_nUsed = static_cast<std::size_t>(p - m_chunk.data());
}

void CChunkWriter::WriteEvent(std::uint32_t nDelta, const CMidiEvent& event) {
    if (event.IsChannelMessage()) {
        WriteChannelMessage(nDelta, event.m_status, event.m_data1, event.m_data2);
        return;
    }
    if (!event.HasData()) {
        return;
    }
    // A length the file cannot express is cut to what it can.
    const std::uint32_t nLength =
        event.m_pData != nullptr ? std::min(event.m_nLength, kMaxVarLen) : 0;
    Reserve(2 * kMaxVarLenBytes + 2 + nLength);
    PutVarLen(nDelta);
    m_chunk[m_nUsed++] = event.m_status;
    if (event.IsMeta()) {
        m_chunk[m_nUsed++] = event.m_data1;
    }
    PutVarLen(nLength);
    if (nLength != 0) {
        std::copy_n(event.m_pData.get(), nLength, m_chunk.data() + m_nUsed);
        m_nUsed += nLength;
    }
}
