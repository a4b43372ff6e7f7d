#include "midi/Song.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {
std::uint32_t Saturate(std::uint64_t nValue) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(nValue, std::numeric_limits<std::uint32_t>::max()));
}
} // namespace

CSong::CSong() {
    Reset();
}

void CSong::Reset() {
    RemoveAllTracks();
    m_nTempo = 100;
    m_nLengthPercent = 100;
    m_pNextTrack = nullptr;
    m_nTicksPerQuarter = kDefaultTicksPerQuarter;
    m_nBaseStep = kDefaultBaseStep;
    m_nStep = kDefaultBaseStep;
    // The header follows the timing: a new song saved later must not carry the division of a
    // file read before.
    m_nFormat = 1;
    m_nDivision = kDefaultTicksPerQuarter;
    m_tracks.emplace_back();
    ResetRecordPositions();
    ++m_nChanges;
    m_bModified = false;
}

void CSong::MarkModified() {
    ++m_nChanges;
    m_bModified = true;
}

void CSong::RemoveAllTracks() {
    m_pNextTrack = nullptr;
    m_heard.clear();
    m_held.clear();
    m_tracks.clear();
}

std::uint8_t CSong::FirstFreeChannel() const {
    std::uint32_t nUsed = 0;
    for (const CTrack& track : m_tracks) {
        if (track.m_bActive) {
            nUsed |= 1u << (track.m_nChannel & 0x0F);
        }
    }
    std::uint8_t nChannel = 0;
    while (nChannel < 16 && (nUsed & (1u << nChannel)) != 0) {
        ++nChannel;
    }
    return nChannel % 16;
}

std::uint8_t CSong::AddTrack(std::uint8_t nProgram) {
    const std::uint8_t nChannel = FirstFreeChannel();
    CTrack& track = m_tracks.emplace_back();
    track.m_bActive = true;
    track.m_nProgram = nProgram;
    track.m_bOwnProgram = true;
    track.m_nChannel = nChannel;
    // Added while recording, it records from where the others are, not from the song's start.
    track.AdvanceRecord(m_nRecordTime);
    MarkModified();
    return nChannel;
}

CTrack* CSong::FindActiveTrack(std::size_t n) {
    for (CTrack& track : m_tracks) {
        if (track.m_bActive && n-- == 0) {
            return &track;
        }
    }
    return nullptr;
}

std::uint8_t CSong::GetActiveTrackChannel(std::size_t n) {
    const CTrack* pTrack = FindActiveTrack(n);
    return pTrack != nullptr ? pTrack->m_nChannel : 0;
}

std::size_t CSong::GetActiveTrackCount() const {
    return static_cast<std::size_t>(std::count_if(
        m_tracks.begin(), m_tracks.end(), [](const CTrack& track) { return track.m_bActive; }));
}

void CSong::RemoveActiveTrack(std::size_t n) {
    for (auto it = m_tracks.begin(); it != m_tracks.end(); ++it) {
        if (it->m_bActive && n-- == 0) {
            const bool bWasNext = m_pNextTrack == &*it;
            m_heard.clear();
            m_held.clear();
            m_tracks.erase(it);
            if (bWasNext) {
                SelectNextTrack();
            }
            MarkModified();
            return;
        }
    }
}

void CSong::SetTempo(std::uint32_t nPercent) {
    m_nTempo = nPercent;
    m_nStep = Saturate(std::uint64_t{m_nBaseStep} * nPercent / 100);
}

void CSong::SetNoteLength(std::uint32_t nEighths) {
    m_nNoteLength =
        std::max<std::uint32_t>(Saturate(std::uint64_t{nEighths} * m_nTicksPerQuarter / 8), 1);
}

void CSong::Rewind() {
    m_nPlayTime = 0;
    m_heard.clear();
    for (CTrack& track : m_tracks) {
        track.Rewind();
    }
    SelectNextTrack();
}

void CSong::SelectNextTrack() {
    // Strictly smaller wins: at equal times the track earlier in the list plays first, and an
    // exhausted track (kNoTime) is never chosen.
    CTrack* pBest = nullptr;
    std::uint32_t nBest = CTrack::kNoTime;
    for (CTrack& track : m_tracks) {
        if (track.m_nNextPlayTime < nBest) {
            nBest = track.m_nNextPlayTime;
            pBest = &track;
        }
    }
    m_pNextTrack = pBest;
}

bool CSong::GetNextDueEvent(const CMidiEvent*& pEvent) {
    pEvent = nullptr;
    while (m_pNextTrack != nullptr) {
        if (m_pNextTrack->m_nNextPlayTime > m_nPlayTime) {
            m_heard.clear(); // everything due at this tick is out
            return true;
        }
        const CMidiEvent& event = m_pNextTrack->PopNextEvent();
        SelectNextTrack();
        const auto it = std::find(m_heard.begin(), m_heard.end(), &event);
        if (it == m_heard.end()) {
            pEvent = &event;
            return true;
        }
        m_heard.erase(it);
    }
    m_heard.clear();
    return false;
}

void CSong::ResetRecordPositions() {
    // A key still held from the last recording keeps the tick it has.
    m_held.clear();
    m_nRecordTime = 0;
    for (CTrack& track : m_tracks) {
        track.ResetRecord();
    }
}

void CSong::AdvanceRecordTime() {
    m_nRecordTime = Saturate(std::uint64_t{m_nRecordTime} + m_nStep);
    for (CTrack& track : m_tracks) {
        track.AdvanceRecord(m_nStep);
    }
}

void CSong::RecordNote(std::uint8_t nChannel, std::uint8_t nNote, std::uint32_t nDuration) {
    for (CTrack& track : m_tracks) {
        if (track.m_bActive && track.m_nChannel == nChannel) {
            // Due at the next tick when playback has reached the record time but this track's
            // cursor still waits before it.
            const bool bDueNext = m_pNextTrack != nullptr && m_nRecordTime <= m_nPlayTime &&
                                  track.m_nNextPlayTime < m_nRecordTime;
            const CMidiEvent& event = track.InsertNote(nNote, nDuration);
            if (bDueNext) {
                m_heard.push_back(&event);
            }
            MarkModified();
            return;
        }
    }
}

CTrack* CSong::FindTrack(std::uint8_t nChannel) {
    for (CTrack& track : m_tracks) {
        if (track.m_bActive && track.m_nChannel == nChannel) {
            return &track;
        }
    }
    return nullptr;
}

void CSong::StartHeldNote(std::uint8_t nChannel, std::uint8_t nNote, std::uint8_t nVelocity) {
    EndHeldNote(nChannel, nNote);
    CTrack* pTrack = FindTrack(nChannel);
    if (pTrack == nullptr) {
        return;
    }
    // Sounding already, it is not struck again by playback at the next tick.
    const bool bDueNext = m_pNextTrack != nullptr && m_nRecordTime <= m_nPlayTime &&
                          pTrack->m_nNextPlayTime < m_nRecordTime;
    // Until it is released it lasts a tick: a song saved meanwhile holds a note that ends.
    const CMidiEvent& event = pTrack->InsertNote(nNote, 1, nVelocity);
    if (bDueNext) {
        m_heard.push_back(&event);
    }
    // The list's events stay where they are until their track goes, which empties m_held.
    m_held.emplace_back(std::uint32_t{nChannel} * 128 + nNote,
                        SHeldNote{const_cast<CMidiEvent*>(&event), m_nRecordTime});
    MarkModified();
}

void CSong::EndHeldNote(std::uint8_t nChannel, std::uint8_t nNote) {
    const std::uint32_t nKey = std::uint32_t{nChannel} * 128 + nNote;
    const auto it = std::find_if(m_held.begin(), m_held.end(),
                                 [nKey](const auto& held) { return held.first == nKey; });
    if (it == m_held.end()) {
        return;
    }
    const std::uint32_t nStart = it->second.m_nStart;
    it->second.m_pEvent->m_nLength = m_nRecordTime > nStart ? m_nRecordTime - nStart : 1;
    m_held.erase(it);
    MarkModified();
}

void CSong::RecordMessage(std::uint8_t nStatus, std::uint8_t nData1, std::uint8_t nData2) {
    const std::uint8_t nType = nStatus & 0xF0;
    if (nType < 0x80 || nType == 0x90 || nType == 0x80 || nType == 0xC0 || nType == 0xF0) {
        return;
    }
    if (CTrack* pTrack = FindTrack(nStatus & 0x0F)) {
        pTrack->InsertMessage(nStatus, nData1, nData2);
        MarkModified();
    }
}

void CSong::RecordScale(std::uint16_t nMask, std::uint8_t nKeynote) {
    if (!m_tracks.empty()) {
        m_tracks.front().InsertScaleEvent(nMask, nKeynote);
        MarkModified();
    }
}

CFileResult CSong::Load(const std::filesystem::path& path) {
    CFileResult result = Read(path);
    if (result) {
        LoadChunks();
    }
    return result;
}

bool CSong::LoadMemory(const std::uint8_t* pData, std::size_t nSize) {
    return ReadMemory(pData, nSize) && LoadChunks();
}

bool CSong::LoadChunks() {
    RemoveAllTracks();
    if ((m_nDivision & 0x8000u) != 0) {
        // SMPTE: the low byte is ticks per frame.
        const std::uint32_t nTicksPerFrame = m_nDivision & 0xFFu;
        m_nBaseStep = std::max<std::uint32_t>(nTicksPerFrame, 1);
        m_nTicksPerQuarter = std::max<std::uint32_t>(25 * nTicksPerFrame, 1);
    } else {
        m_nTicksPerQuarter = std::max<std::uint32_t>(m_nDivision, 1);
        m_nBaseStep =
            std::max<std::uint32_t>(m_nDivision * kTimerMilliseconds / kQuarterMilliseconds, 1);
    }
    m_nStep = Saturate(std::uint64_t{m_nTempo} * m_nBaseStep / 100);
    for (const CTrackChunk& chunk : m_chunks) {
        CTrack::AppendFromChunk(chunk.data(), chunk.size(), m_tracks);
    }
    ReleaseChunks();
    FindProgramsHeard();
    ResetRecordPositions();
    ++m_nChanges;
    m_bModified = false;
    return true;
}

void CSong::FindProgramsHeard() {
    // A track without a program of its own plays with the one its channel has at its first note
    // (given by a set-up track, say): that is the instrument to list and to play live on it.
    std::vector<CTrack*> waiting;
    for (CTrack& track : m_tracks) {
        if (track.m_bActive && !track.m_bOwnProgram) {
            waiting.push_back(&track);
        }
    }
    if (waiting.empty()) {
        return;
    }
    std::array<std::uint8_t, 16> programs{};
    Rewind();
    m_nPlayTime = CTrack::kNoTime - 1;
    const CMidiEvent* pEvent = nullptr;
    while (!waiting.empty()) {
        CTrack* pTrack = m_pNextTrack;
        if (!GetNextDueEvent(pEvent) || pEvent == nullptr) {
            break;
        }
        if ((pEvent->m_status & 0xF0) == 0xC0) {
            programs[pEvent->GetChannel()] = pEvent->m_data1;
        } else if (pEvent->IsNoteOn()) {
            const auto it = std::find(waiting.begin(), waiting.end(), pTrack);
            if (it != waiting.end()) {
                pTrack->m_nProgram = programs[pEvent->GetChannel()];
                waiting.erase(it);
            }
        }
    }
    m_nPlayTime = 0;
    m_pNextTrack = nullptr;
}

void CSong::EncodeChunks() {
    m_nTracks = static_cast<std::uint32_t>(m_tracks.size());
    // A format 0 file holds one track for all channels; the song keeps one track per channel,
    // so it is written as format 1.
    if (m_nFormat == 0) {
        m_nFormat = 1;
    }
    m_chunks.assign(m_tracks.size(), CTrackChunk());
    std::size_t i = 0;
    for (const CTrack& track : m_tracks) {
        track.WriteToChunk(m_chunks[i]);
        ++i;
    }
}

CFileResult CSong::Save(const std::filesystem::path& path) {
    EncodeChunks();
    CFileResult result = Write(path);
    ReleaseChunks();
    if (result) {
        m_bModified = false;
    }
    return result;
}

bool CSong::SaveMemory(std::vector<std::uint8_t>& out) {
    EncodeChunks();
    const bool bEncoded = Serialise(out);
    ReleaseChunks();
    return bEncoded;
}
