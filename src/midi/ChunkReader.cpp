#include "midi/ChunkReader.h"

bool CChunkReader::ReadByte(std::uint8_t& b) {
    if (m_pCursor == m_pEnd) {
        return false;
    }
    b = *m_pCursor++;
    return true;
}

CChunkReader::EResult CChunkReader::End() {
    m_pCursor = m_pEnd;
    return EResult::End;
}

bool CChunkReader::ReadVarLen(std::uint32_t& nValue) {
    std::uint32_t nResult = 0;
    bool bSaturated = false;
    std::uint8_t b = 0;
    do {
        if (!ReadByte(b)) {
            return false;
        }
        if (!bSaturated) {
            nResult = (nResult << 7) | (b & 0x7Fu);
            bSaturated = nResult > (kMaxVarLen >> 7) && (b & 0x80u) != 0;
        }
    } while ((b & 0x80u) != 0);
    nValue = bSaturated ? kMaxVarLen : nResult;
    return true;
}

CChunkReader::EResult CChunkReader::ReadEvent(std::uint32_t& nDelta, CMidiEvent& event) {
    std::uint8_t b = 0;
    if (!ReadVarLen(nDelta) || !ReadByte(b)) {
        return End();
    }
    if (b >= 0x80 && b < 0xF0) {
        m_runningStatus = b;
        if (!ReadByte(b)) {
            return End();
        }
        if (b >= 0x80) {
            return EResult::Skipped;
        }
    } else if (b == CMidiEvent::kSysEx || b == CMidiEvent::kSysExEscape || b == CMidiEvent::kMeta) {
        event.m_status = b;
        event.m_data1 = 0;
        event.m_data2 = 0;
        if (b == CMidiEvent::kMeta) {
            if (!ReadByte(event.m_data1) || event.m_data1 == CMidiEvent::kMetaEndOfTrack) {
                return End();
            }
        }
        std::uint32_t nLength = 0;
        if (!ReadVarLen(nLength) || nLength > static_cast<std::size_t>(m_pEnd - m_pCursor)) {
            return End();
        }
        event.SetData(m_pCursor, nLength);
        m_pCursor += nLength;
        return EResult::Event;
    } else if (b >= 0xF0) {
        return EResult::Skipped;
    }
    if (m_runningStatus == 0) {
        return EResult::Skipped;
    }
    std::uint8_t data2 = 0;
    const std::uint8_t nType = m_runningStatus & 0xF0;
    if (nType != 0xC0 && nType != 0xD0) {
        if (!ReadByte(data2)) {
            return End();
        }
        // A status byte where data belongs spoils the message, as it does in the first place;
        // but a note-off's second byte means nothing, and its note still ends.
        if (data2 >= 0x80) {
            if (nType != 0x80) {
                return EResult::Skipped;
            }
            data2 &= 0x7F;
        }
    }
    event.m_status = m_runningStatus;
    event.m_data1 = b;
    event.m_data2 = data2;
    event.m_nLength = 0;
    event.m_pData.reset();
    return EResult::Event;
}
