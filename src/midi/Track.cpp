#include "midi/Track.h"

#include "midi/ChunkReader.h"
#include "midi/ChunkWriter.h"

#include <algorithm>
#include <array>
#include <queue>
#include <utility>

namespace {
constexpr std::size_t kNoteSlots = 16 * 128;

std::size_t NoteSlot(std::uint8_t status, std::uint8_t nNote) {
    return (static_cast<std::size_t>(status & 0x0F) << 7) | (nNote & 0x7Fu);
}

// A regenerated note-off waiting to be merged into the written track. Equal times leave in the
// order they were made.
struct PendingNoteOff {
    std::uint64_t nTime;
    std::uint64_t nSequence;
    std::uint8_t status;
    std::uint8_t nNote;
    bool operator>(const PendingNoteOff& other) const {
        return nTime != other.nTime ? nTime > other.nTime : nSequence > other.nSequence;
    }
};
} // namespace

CTrack::CTrack() : m_posPlay(m_events.end()), m_posRecord(m_events.end()) {}

void CTrack::Rewind() {
    m_posPlay = m_events.begin();
    m_nNextPlayTime = m_posPlay != m_events.end() ? m_posPlay->m_nDelta : kNoTime;
}

const CMidiEvent& CTrack::PopNextEvent() {
    const CMidiEvent& event = *m_posPlay++;
    if (m_posPlay == m_events.end()) {
        m_nNextPlayTime = kNoTime;
    } else {
        // Saturate rather than wrap, so that a very long song cannot jump back in time.
        const std::uint64_t nNext = std::uint64_t{m_nNextPlayTime} + m_posPlay->m_nDelta;
        m_nNextPlayTime = static_cast<std::uint32_t>(std::min<std::uint64_t>(nNext, kNoTime - 1));
    }
    return event;
}

void CTrack::ResetRecord() {
    m_posRecord = m_events.end();
    m_nRecordOffset = 0;
}

void CTrack::AdvanceRecord(std::uint32_t nStep) {
    for (;;) {
        const Position posNext =
            m_posRecord == m_events.end() ? m_events.begin() : std::next(m_posRecord);
        if (posNext == m_events.end()) {
            break;
        }
        const std::uint32_t nDistance = posNext->m_nDelta - m_nRecordOffset;
        if (nStep <= nDistance) {
            break;
        }
        nStep -= nDistance;
        m_posRecord = posNext;
        m_nRecordOffset = 0;
    }
    m_nRecordOffset += nStep;
}

void CTrack::InsertAtRecordPosition(CMidiEvent&& event) {
    const Position posNext =
        m_posRecord == m_events.end() ? m_events.begin() : std::next(m_posRecord);
    event.m_nDelta = m_nRecordOffset;
    if (posNext != m_events.end()) {
        posNext->m_nDelta -= m_nRecordOffset;
    }
    m_events.insert(posNext, std::move(event));
}

void CTrack::InsertNote(std::uint8_t nNote, std::uint32_t nDuration) {
    CMidiEvent event;
    event.m_status = static_cast<std::uint8_t>(0x90 | (m_nChannel & 0x0F));
    event.m_data1 = nNote;
    event.m_data2 = 127;
    event.m_nLength = nDuration;
    InsertAtRecordPosition(std::move(event));
}

void CTrack::InsertScaleEvent(std::uint16_t nMask, std::uint8_t nKeynote) {
    CMidiEvent event;
    event.m_status = CMidiEvent::kMeta;
    event.m_data1 = CMidiEvent::kMetaSequencer;
    const std::uint8_t data[kScaleMetaLength] = {kScaleMetaId0, kScaleMetaId1,
                                                 static_cast<std::uint8_t>(nMask & 0xFF),
                                                 static_cast<std::uint8_t>(nMask >> 8), nKeynote};
    event.SetData(data, kScaleMetaLength);
    InsertAtRecordPosition(std::move(event));
}

void CTrack::FreeEvents() {
    m_events.clear();
    m_posPlay = m_events.end();
    m_nNextPlayTime = kNoTime;
    ResetRecord();
}

void CTrack::LoadFromChunk(const std::uint8_t* pData, std::size_t nSize) {
    FreeEvents();
    m_bActive = false;
    m_nChannel = 0;
    m_nProgram = 0;

    // Events are gathered with their absolute times in m_nDelta; a note-on waits in its
    // channel/key slot until the next note-off or note-on of that key ends it. Any message on
    // the key ends the note, so one open note per slot is enough and one pass pairs them all.
    std::array<Position, kNoteSlots> pending;
    pending.fill(m_events.end());
    std::array<std::uint64_t, kNoteSlots> startTimes{};
    bool bProgramSeen = false;

    CChunkReader reader(pData, nSize);
    std::uint64_t nTime = 0;
    CMidiEvent event;
    for (;;) {
        std::uint32_t nDelta = 0;
        const CChunkReader::EResult eResult = reader.ReadEvent(nDelta, event);
        if (eResult == CChunkReader::EResult::End) {
            break;
        }
        nTime += nDelta;
        if (eResult == CChunkReader::EResult::Skipped) {
            continue;
        }
        event.m_nDelta = static_cast<std::uint32_t>(std::min<std::uint64_t>(nTime, kNoTime));
        const std::uint8_t nType = event.m_status & 0xF0;
        if (nType == 0xC0) {
            if (!bProgramSeen) {
                m_nProgram = event.m_data1;
                bProgramSeen = true;
            }
            continue;
        }
        if (nType == 0x80 || nType == 0x90) {
            const std::size_t nSlot = NoteSlot(event.m_status, event.m_data1);
            if (pending[nSlot] != m_events.end()) {
                const std::uint64_t nDuration = nTime - startTimes[nSlot];
                if (nDuration == 0) {
                    m_events.erase(pending[nSlot]);
                } else {
                    pending[nSlot]->m_nLength = static_cast<std::uint32_t>(
                        std::min<std::uint64_t>(nDuration, CChunkReader::kMaxVarLen));
                }
                pending[nSlot] = m_events.end();
            }
            if (nType == 0x90 && event.m_data2 != 0) {
                pending[nSlot] = m_events.insert(m_events.end(), std::move(event));
                startTimes[nSlot] = nTime;
                event = CMidiEvent();
            }
            continue;
        }
        m_events.push_back(std::move(event));
        event = CMidiEvent();
    }
    // Notes that never end are dropped.
    for (const Position& pos : pending) {
        if (pos != m_events.end()) {
            m_events.erase(pos);
        }
    }

    std::uint32_t nPrevious = 0;
    for (CMidiEvent& kept : m_events) {
        const std::uint32_t nAbsolute = kept.m_nDelta;
        kept.m_nDelta = nAbsolute - nPrevious;
        nPrevious = nAbsolute;
        if (!m_bActive && kept.IsNoteOn()) {
            m_bActive = true;
            m_nChannel = kept.GetChannel();
        }
    }
    m_posPlay = m_events.end();
    ResetRecord();
}

std::size_t CTrack::EstimateSize() const {
    // Every variable-length number counted as four bytes.
    std::size_t nSize = (m_bActive ? 7 : 0) + 7;
    for (const CMidiEvent& event : m_events) {
        if (event.IsNoteOn()) {
            nSize += 14;
        } else if (event.IsChannelMessage()) {
            nSize += 7;
        } else if (event.IsSysEx()) {
            nSize += 9 + std::size_t{event.m_nLength};
        } else if (event.IsMeta()) {
            nSize += 10 + std::size_t{event.m_nLength};
        }
    }
    return nSize;
}

void CTrack::WriteToChunk(std::vector<std::uint8_t>& chunk) const {
    CChunkWriter writer(chunk);
    std::uint64_t nLastTime = 0;
    auto deltaTo = [&nLastTime](std::uint64_t nTime) {
        const std::uint64_t nDelta = nTime - nLastTime;
        nLastTime = nTime;
        return static_cast<std::uint32_t>(
            std::min<std::uint64_t>(nDelta, CChunkWriter::kMaxVarLen));
    };

    if (m_bActive) {
        writer.WriteChannelMessage(0, static_cast<std::uint8_t>(0xC0 | (m_nChannel & 0x0F)),
                                   m_nProgram, 0);
    }
    // The events are already in time order; the note-offs are merged in from a queue ordered by
    // time and then by creation, so a note-off precedes any event at its own tick that comes
    // after its note-on.
    std::priority_queue<PendingNoteOff, std::vector<PendingNoteOff>, std::greater<>> noteOffs;
    std::uint64_t nSequence = 0;
    auto flushNoteOffs = [&](std::uint64_t nUntil) {
        while (!noteOffs.empty() && noteOffs.top().nTime <= nUntil) {
            const PendingNoteOff& off = noteOffs.top();
            writer.WriteChannelMessage(deltaTo(off.nTime), off.status, off.nNote, 0);
            noteOffs.pop();
        }
    };

    std::uint64_t nTime = 0;
    for (const CMidiEvent& event : m_events) {
        nTime += event.m_nDelta;
        flushNoteOffs(nTime);
        if (!event.IsChannelMessage() && !event.HasData()) {
            continue;
        }
        writer.WriteEvent(deltaTo(nTime), event);
        if (event.IsNoteOn()) {
            const std::uint32_t nLength = std::min(event.m_nLength, CChunkWriter::kMaxVarLen);
            noteOffs.push({nTime + nLength, nSequence++,
                           static_cast<std::uint8_t>(0x80 | event.GetChannel()), event.m_data1});
        }
    }
    flushNoteOffs(~std::uint64_t{0});
    writer.WriteVarLen(0);
    chunk.push_back(CMidiEvent::kMeta);
    chunk.push_back(CMidiEvent::kMetaEndOfTrack);
    chunk.push_back(0);
}
