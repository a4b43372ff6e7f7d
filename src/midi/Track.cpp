#include "midi/Track.h"

#include "midi/ChunkReader.h"
#include "midi/ChunkWriter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <utility>

namespace {
constexpr std::size_t kNoteSlots = 16 * 128;
constexpr std::size_t kNoNote = ~std::size_t{0};
// A track without notes.
constexpr int kNoChannel = -1;
// The largest delta or duration a file can hold.
constexpr std::uint32_t kMaxDelta = CChunkReader::kMaxVarLen;

std::size_t NoteSlot(std::uint8_t status, std::uint8_t nNote) {
    return (static_cast<std::size_t>(status & 0x0F) << 7) | (nNote & 0x7Fu);
}

// A regenerated note-off waiting to be merged into the written track.
struct PendingNoteOff {
    std::uint64_t nTime;
    std::uint8_t status;
    std::uint8_t nNote;
};
} // namespace

CTrack::CTrack() : m_posPlay(m_events.end()), m_posRecord(m_events.end()) {}

void CTrack::Rewind() {
    m_posPlay = m_events.begin();
    // The instrument's own program plays first, at tick 0 after whatever earlier tracks play
    // there, as it stands in the file: a program another track gives the channel at tick 0 does
    // not override it.
    m_bProgramDue = m_bActive && m_bOwnProgram;
    if (m_bProgramDue) {
        m_nNextPlayTime = 0;
    } else {
        m_nNextPlayTime = m_posPlay != m_events.end() ? m_posPlay->m_nDelta : kNoTime;
    }
}

const CMidiEvent& CTrack::PopNextEvent() {
    if (m_bProgramDue) {
        m_bProgramDue = false;
        m_programEvent.m_status = static_cast<std::uint8_t>(0xC0 | (m_nChannel & 0x0F));
        m_programEvent.m_data1 = m_nProgram;
        m_nNextPlayTime = m_posPlay != m_events.end() ? m_posPlay->m_nDelta : kNoTime;
        return m_programEvent;
    }
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

const CMidiEvent& CTrack::InsertAtRecordPosition(CMidiEvent&& event) {
    const Position posNext =
        m_posRecord == m_events.end() ? m_events.begin() : std::next(m_posRecord);
    event.m_nDelta = m_nRecordOffset;
    if (posNext != m_events.end()) {
        posNext->m_nDelta -= m_nRecordOffset;
    }
    return *m_events.insert(posNext, std::move(event));
}

const CMidiEvent& CTrack::InsertNote(std::uint8_t nNote, std::uint32_t nDuration,
                                     std::uint8_t nVelocity) {
    CMidiEvent event;
    event.m_status = static_cast<std::uint8_t>(0x90 | (m_nChannel & 0x0F));
    event.m_data1 = nNote;
    event.m_data2 = nVelocity;
    event.m_nLength = nDuration;
    return InsertAtRecordPosition(std::move(event));
}

void CTrack::InsertMessage(std::uint8_t nStatus, std::uint8_t nData1, std::uint8_t nData2) {
    CMidiEvent event;
    event.m_status = static_cast<std::uint8_t>((nStatus & 0xF0) | (m_nChannel & 0x0F));
    event.m_data1 = nData1 & 0x7F;
    event.m_data2 = nData2 & 0x7F;
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
    m_nEndTime = 0;
    m_posPlay = m_events.end();
    m_nNextPlayTime = kNoTime;
    ResetRecord();
}

void CTrack::AppendFromChunk(const std::uint8_t* pData, std::size_t nSize,
                             std::list<CTrack>& tracks) {
    CTrack& track = tracks.emplace_back();
    const std::uint32_t nChannels = track.Decode(pData, nSize);
    const auto itFirst = std::prev(tracks.end());
    if (std::popcount(nChannels) > 1) {
        track.SplitChannels(nChannels, tracks);
    }
    // The parts follow the first in channel order.
    std::uint32_t nLeft = nChannels;
    for (auto it = itFirst; it != tracks.end(); ++it) {
        it->TakeInstrument(nLeft != 0 ? std::countr_zero(nLeft) : kNoChannel);
        nLeft &= nLeft - 1;
    }
}

std::uint32_t CTrack::Decode(const std::uint8_t* pData, std::size_t nSize) {
    FreeEvents();
    m_bActive = false;
    m_nChannel = 0;
    m_nProgram = 0;
    m_bOwnProgram = false;

    // A note-on waits in its channel/key slot until the next note-off or note-on of that key
    // ends it. Any message on the key ends the note, so one open note per slot is enough and
    // one pass pairs them all. Deltas are kept as the file can hold them (below 2^28 ticks); a
    // dropped note passes its delta on, so every other event keeps its time.
    std::array<Position, kNoteSlots> pending;
    pending.fill(m_events.end());
    std::array<std::uint64_t, kNoteSlots> startTimes{};
    // Set when the open note of a slot was struck while the key still sounded: a note-off at its
    // own tick then belongs to the note it cut, which that re-strike has already ended.
    std::array<bool, kNoteSlots> restruck{};
    std::array<std::uint32_t, 16> notesPerChannel{};
    std::uint64_t nTime = 0;
    std::uint64_t nLastAppended = 0;
    std::uint64_t nCarry = 0; // delta of a dropped last event, for the next one appended

    auto clampDelta = [](std::uint64_t nDelta) {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(nDelta, kMaxDelta));
    };
    auto append = [&](CMidiEvent&& newEvent) {
        newEvent.m_nDelta = clampDelta(nTime - nLastAppended + nCarry);
        nLastAppended = nTime;
        nCarry = 0;
        return m_events.insert(m_events.end(), std::move(newEvent));
    };
    auto drop = [&](Position pos) {
        --notesPerChannel[pos->GetChannel()];
        const Position posNext = std::next(pos);
        if (posNext != m_events.end()) {
            posNext->m_nDelta = clampDelta(std::uint64_t{posNext->m_nDelta} + pos->m_nDelta);
        } else {
            nCarry += pos->m_nDelta;
        }
        m_events.erase(pos);
    };

    CChunkReader reader(pData, nSize);
    CMidiEvent event;
    for (;;) {
        std::uint32_t nDelta = 0;
        const CChunkReader::EResult eResult = reader.ReadEvent(nDelta, event);
        nTime += nDelta;
        if (eResult == CChunkReader::EResult::End) {
            break;
        }
        if (eResult == CChunkReader::EResult::Skipped) {
            continue;
        }
        const std::uint8_t nType = event.m_status & 0xF0;
        if (nType == 0x80 || nType == 0x90) {
            const std::size_t nSlot = NoteSlot(event.m_status, event.m_data1);
            const bool bNoteOn = nType == 0x90 && event.m_data2 != 0;
            bool bCut = false;
            if (pending[nSlot] != m_events.end()) {
                const std::uint64_t nDuration = nTime - startTimes[nSlot];
                if (nDuration == 0 && !bNoteOn && restruck[nSlot]) {
                    restruck[nSlot] = false;
                    continue;
                }
                if (nDuration == 0) {
                    drop(pending[nSlot]);
                } else {
                    pending[nSlot]->m_nLength = clampDelta(nDuration);
                    bCut = true;
                }
                pending[nSlot] = m_events.end();
            }
            restruck[nSlot] = bNoteOn && bCut;
            if (bNoteOn) {
                ++notesPerChannel[event.GetChannel()];
                pending[nSlot] = append(std::move(event));
                startTimes[nSlot] = nTime;
                event = CMidiEvent();
            }
            continue;
        }
        append(std::move(event));
        event = CMidiEvent();
    }
    // Notes that never end are dropped.
    for (const Position& pos : pending) {
        if (pos != m_events.end()) {
            drop(pos);
        }
    }
    m_nEndTime = static_cast<std::uint32_t>(std::min<std::uint64_t>(nTime, kNoTime));

    std::uint32_t nChannels = 0;
    for (std::size_t nChannel = 0; nChannel < notesPerChannel.size(); ++nChannel) {
        if (notesPerChannel[nChannel] != 0) {
            nChannels |= 1u << nChannel;
        }
    }
    return nChannels;
}

void CTrack::SplitChannels(std::uint32_t nChannels, std::list<CTrack>& tracks) {
    const unsigned nFirst = static_cast<unsigned>(std::countr_zero(nChannels));
    std::array<std::size_t, 16> partOf{};
    std::size_t nParts = 1;
    for (unsigned nChannel = nFirst + 1; nChannel < 16; ++nChannel) {
        if ((nChannels & (1u << nChannel)) != 0) {
            partOf[nChannel] = nParts++;
        }
    }
    // The events leave in time order, so each part's deltas are the gaps between its own. They
    // are gathered part by part first, and each part then gets its nodes one after the other:
    // a part lies together in memory, and the old nodes, freed in the order they were made,
    // leave no scattered holes for the next song.
    std::vector<std::vector<CMidiEvent>> parts(nParts);
    std::vector<std::uint64_t> lastTimes(nParts);
    std::uint64_t nTime = 0;
    for (CMidiEvent& event : m_events) {
        nTime += event.m_nDelta;
        const std::size_t nPart = event.IsChannelMessage() ? partOf[event.GetChannel()] : 0;
        event.m_nDelta = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(nTime - lastTimes[nPart], kMaxDelta));
        lastTimes[nPart] = nTime;
        parts[nPart].push_back(std::move(event));
    }
    m_events.clear();
    for (std::size_t nPart = 0; nPart < nParts; ++nPart) {
        EventList& events = nPart == 0 ? m_events : tracks.emplace_back().m_events;
        for (CMidiEvent& event : parts[nPart]) {
            events.push_back(std::move(event));
        }
        parts[nPart] = std::vector<CMidiEvent>();
        if (nPart != 0) {
            tracks.back().m_nEndTime = m_nEndTime;
        }
    }
    m_posPlay = m_events.end();
    ResetRecord();
}

void CTrack::TakeInstrument(int nChannel) {
    Position posProgram = m_events.end();
    if (nChannel != kNoChannel) {
        m_bActive = true;
        m_nChannel = static_cast<std::uint8_t>(nChannel);
        const auto programStatus = static_cast<std::uint8_t>(0xC0 | m_nChannel);
        for (Position pos = m_events.begin(); pos != m_events.end(); ++pos) {
            if (pos->m_status == programStatus) {
                posProgram = pos;
                break;
            }
            if (pos->IsNoteOn() && pos->GetChannel() == m_nChannel) {
                break;
            }
        }
    } else {
        for (Position pos = m_events.begin(); pos != m_events.end(); ++pos) {
            if (!pos->IsChannelMessage()) {
                continue;
            }
            if ((pos->m_status & 0xF0) != 0xC0 || posProgram != m_events.end()) {
                return;
            }
            posProgram = pos;
        }
        if (posProgram == m_events.end()) {
            return;
        }
        m_bActive = true;
        m_nChannel = posProgram->GetChannel();
    }
    if (posProgram == m_events.end()) {
        return;
    }
    m_nProgram = posProgram->m_data1;
    m_bOwnProgram = true;
    // The next event keeps its time.
    const Position posNext = std::next(posProgram);
    if (posNext != m_events.end()) {
        posNext->m_nDelta = static_cast<std::uint32_t>(std::min<std::uint64_t>(
            std::uint64_t{posNext->m_nDelta} + posProgram->m_nDelta, kMaxDelta));
    }
    m_events.erase(posProgram);
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
    const std::size_t nStart = chunk.size();
    // Files read back never hold a key struck again while it sounds, so one pass is enough;
    // a recorded song that does gets the cut lengths worked out first.
    if (!WriteEvents(chunk, nullptr)) {
        chunk.resize(nStart);
        const std::vector<std::uint32_t> lengths = CutNoteLengths();
        WriteEvents(chunk, &lengths);
    }
}

std::vector<std::uint32_t> CTrack::CutNoteLengths() const {
    // A note is cut where its key is struck again on its channel (as it was heard when played);
    // a note cut at its own tick has no length and is not written. This keeps every written
    // file the same when it is read back and written again.
    std::vector<std::uint32_t> lengths;
    std::vector<std::uint64_t> starts;
    std::array<std::size_t, kNoteSlots> lastNote;
    lastNote.fill(kNoNote);
    std::uint64_t nTime = 0;
    for (const CMidiEvent& event : m_events) {
        nTime += event.m_nDelta;
        if (!event.IsNoteOn()) {
            continue;
        }
        std::size_t& nLast = lastNote[NoteSlot(event.m_status, event.m_data1)];
        if (nLast != kNoNote && starts[nLast] + lengths[nLast] > nTime) {
            lengths[nLast] = static_cast<std::uint32_t>(nTime - starts[nLast]);
        }
        nLast = lengths.size();
        lengths.push_back(std::min(event.m_nLength, CChunkWriter::kMaxVarLen));
        starts.push_back(nTime);
    }
    return lengths;
}

bool CTrack::WriteEvents(std::vector<std::uint8_t>& chunk,
                         const std::vector<std::uint32_t>* pLengths) const {
    // Most events take a few bytes; the writer grows the chunk when they take more.
    CChunkWriter writer(chunk, 8 * m_events.size() + 16);
    std::uint64_t nLastTime = 0;
    auto deltaTo = [&nLastTime](std::uint64_t nTime) {
        const std::uint64_t nDelta = nTime - nLastTime;
        nLastTime = nTime;
        return static_cast<std::uint32_t>(
            std::min<std::uint64_t>(nDelta, CChunkWriter::kMaxVarLen));
    };

    if (m_bActive && m_bOwnProgram) {
        writer.WriteChannelMessage(0, static_cast<std::uint8_t>(0xC0 | (m_nChannel & 0x0F)),
                                   m_nProgram, 0);
    }
    // The events are already in time order; the note-offs are merged in from a queue kept in
    // order of time and then of creation, so a note-off precedes any event at its own tick that
    // comes after its note-on. A new note-off usually belongs at or near the tail; the queue
    // holds at most one note-off per channel and key.
    std::vector<PendingNoteOff> noteOffs;
    std::size_t nHead = 0;
    std::array<std::uint64_t, kNoteSlots> soundingUntil{};
    auto flushNoteOffs = [&](std::uint64_t nUntil) {
        while (nHead < noteOffs.size() && noteOffs[nHead].nTime <= nUntil) {
            const PendingNoteOff& off = noteOffs[nHead++];
            writer.WriteChannelMessage(deltaTo(off.nTime), off.status, off.nNote, 0);
        }
        if (nHead == noteOffs.size()) {
            noteOffs.clear();
            nHead = 0;
        } else if (nHead > 64 && 2 * nHead > noteOffs.size()) {
            noteOffs.erase(noteOffs.begin(), noteOffs.begin() + static_cast<std::ptrdiff_t>(nHead));
            nHead = 0;
        }
    };
    auto queueNoteOff = [&](const PendingNoteOff& off) {
        auto it = noteOffs.end();
        const auto head = noteOffs.begin() + static_cast<std::ptrdiff_t>(nHead);
        while (it != head && std::prev(it)->nTime > off.nTime) {
            --it;
        }
        noteOffs.insert(it, off);
    };

    std::uint64_t nTime = 0;
    std::size_t nNote = 0;
    for (const CMidiEvent& event : m_events) {
        nTime += event.m_nDelta;
        flushNoteOffs(nTime);
        if (!event.IsChannelMessage() && !event.HasData()) {
            continue;
        }
        if (!event.IsNoteOn()) {
            writer.WriteEvent(deltaTo(nTime), event);
            continue;
        }
        std::uint32_t nLength = 0;
        if (pLengths != nullptr) {
            nLength = (*pLengths)[nNote++];
        } else {
            std::uint64_t& nUntil = soundingUntil[NoteSlot(event.m_status, event.m_data1)];
            if (nUntil > nTime) {
                return false;
            }
            nLength = std::min(event.m_nLength, CChunkWriter::kMaxVarLen);
            nUntil = nTime + nLength;
        }
        if (nLength == 0) {
            continue;
        }
        writer.WriteEvent(deltaTo(nTime), event);
        queueNoteOff(
            {nTime + nLength, static_cast<std::uint8_t>(0x80 | event.GetChannel()), event.m_data1});
    }
    flushNoteOffs(~std::uint64_t{0});
    writer.WriteVarLen(deltaTo(std::max<std::uint64_t>(m_nEndTime, nLastTime)));
    writer.WriteByte(CMidiEvent::kMeta);
    writer.WriteByte(CMidiEvent::kMetaEndOfTrack);
    writer.WriteByte(0);
    writer.Finish();
    return true;
}
