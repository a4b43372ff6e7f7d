#include "midi/ChunkWriter.h"

#include <algorithm>

void CChunkWriter::WriteVarLen(std::uint32_t nValue) {
    nValue = std::min(nValue, kMaxVarLen);
    if (nValue >= (1u << 21)) {
        m_chunk.push_back(static_cast<std::uint8_t>(0x80u | (nValue >> 21)));
    }
    if (nValue >= (1u << 14)) {
        m_chunk.push_back(static_cast<std::uint8_t>(0x80u | ((nValue >> 14) & 0x7Fu)));
    }
    if (nValue >= (1u << 7)) {
        m_chunk.push_back(static_cast<std::uint8_t>(0x80u | ((nValue >> 7) & 0x7Fu)));
    }
    m_chunk.push_back(static_cast<std::uint8_t>(nValue & 0x7Fu));
}

void CChunkWriter::WriteChannelMessage(std::uint32_t nDelta, std::uint8_t status,
                                       std::uint8_t data1, std::uint8_t data2) {
    WriteVarLen(nDelta);
    m_chunk.push_back(status);
    m_chunk.push_back(data1);
    const std::uint8_t nType = status & 0xF0;
    if (nType != 0xC0 && nType != 0xD0) {
        m_chunk.push_back(data2);
    }
}

void CChunkWriter::WriteEvent(std::uint32_t nDelta, const CMidiEvent& event) {
    if (event.IsChannelMessage()) {
        WriteChannelMessage(nDelta, event.m_status, event.m_data1, event.m_data2);
        return;
    }
    if (!event.HasData()) {
        return;
    }
    WriteVarLen(nDelta);
    m_chunk.push_back(event.m_status);
    if (event.IsMeta()) {
        m_chunk.push_back(event.m_data1);
    }
    // A length the file cannot express is cut to what it can.
    const std::uint32_t nLength =
        event.m_pData != nullptr ? std::min(event.m_nLength, kMaxVarLen) : 0;
    WriteVarLen(nLength);
    if (nLength != 0) {
        m_chunk.insert(m_chunk.end(), event.m_pData.get(), event.m_pData.get() + nLength);
    }
}
