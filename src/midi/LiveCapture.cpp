#include "midi/LiveCapture.h"

#include "midi/MidiEvent.h"
#include "midi/Song.h"
#include "midi/Track.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

namespace {

constexpr std::uint64_t kMicrosPerTimerTick = 1000 * CLiveCapture::kTimerMilliseconds;
constexpr std::uint64_t kMaxMicrosPerQuarter = 0xFFFFFF;
constexpr std::uint32_t kMaxDivision = 0x7FFF;
constexpr std::uint8_t kMetaTempo = 0x51;
constexpr std::uint8_t kVelocity = 127;
constexpr std::uint8_t kDrumChannel = 9;

std::uint32_t Saturate(std::uint64_t nValue) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(nValue, std::numeric_limits<std::uint32_t>::max()));
}

// Song ticks in nMicros microseconds at nStep ticks per timer tick, to the nearest tick.
std::uint64_t TicksOf(std::uint64_t nMicros, std::uint32_t nStep) {
    return (nMicros * nStep + kMicrosPerTimerTick / 2) / kMicrosPerTimerTick;
}

// Appends event to track at the absolute tick nTick; nLastTick is the track's last event's.
void AppendAt(CTrack& track, std::uint64_t& nLastTick, std::uint64_t nTick, CMidiEvent&& event) {
    event.m_nDelta = Saturate(nTick - nLastTick);
    nLastTick = nTick;
    track.m_events.push_back(std::move(event));
}

CMidiEvent MetaEvent(std::uint8_t nType, std::initializer_list<std::uint8_t> data) {
    CMidiEvent event;
    event.m_status = CMidiEvent::kMeta;
    event.m_data1 = nType;
    event.SetData(data.begin(), static_cast<std::uint32_t>(data.size()));
    return event;
}

CMidiEvent ChannelEvent(std::uint8_t status, std::uint8_t nData1, std::uint8_t nData2) {
    CMidiEvent event;
    event.m_status = status;
    event.m_data1 = nData1;
    event.m_data2 = nData2;
    return event;
}

} // namespace

std::uint32_t CLiveCapture::Clamped(std::uint32_t nTime) const {
    return m_bAnyTime && m_nLastTime - nTime <= kWindowMilliseconds ? m_nLastTime : nTime;
}

void CLiveCapture::DropBefore(std::uint32_t nNow) {
    while (!m_notes.empty() && nNow - m_notes.front().nStart > kWindowMilliseconds)
        PopOldestNote();
    while (!m_tonalities.empty() && nNow - m_tonalities.front().nTime > kWindowMilliseconds) {
        m_tonalityBefore = m_tonalities.front();
        m_bTonalityBefore = true;
        m_tonalities.pop_front();
    }
}

void CLiveCapture::AddNote(std::uint32_t nTime, std::uint8_t nChannel, std::uint8_t nNote,
                           std::uint8_t nProgram, std::uint32_t nDuration, std::uint32_t nStep) {
    const std::uint64_t nMicros =
        std::uint64_t{nDuration} * kMicrosPerTimerTick / std::max<std::uint32_t>(nStep, 1);
    PushNote(nTime, nChannel, nNote, nProgram, std::min(Saturate(nMicros), kHeld - 1));
}

void CLiveCapture::StartHeldNote(std::uint32_t nTime, std::uint8_t nChannel, std::uint8_t nNote,
                                 std::uint8_t nProgram) {
    PushNote(nTime, nChannel, nNote, nProgram, kHeld);
    m_held[(nChannel & 0x0Fu) * 128u + (nNote & 0x7Fu)] = m_nDropped + m_notes.size();
}

void CLiveCapture::EndHeldNote(std::uint32_t nTime, std::uint8_t nChannel, std::uint8_t nNote) {
    const std::uint64_t nHeld =
        std::exchange(m_held[(nChannel & 0x0Fu) * 128u + (nNote & 0x7Fu)], 0);
    if (nHeld == 0 || nHeld <= m_nDropped)
        return; // not held, or already dropped as too old
    SNote& note = m_notes[static_cast<std::size_t>(nHeld - 1 - m_nDropped)];
    nTime = Clamped(nTime);
    note.nLength = std::min(Saturate(std::uint64_t{nTime - note.nStart} * 1000), kHeld - 1);
}

void CLiveCapture::PushNote(std::uint32_t nTime, std::uint8_t nChannel, std::uint8_t nNote,
                            std::uint8_t nProgram, std::uint32_t nLength) {
    nTime = Clamped(nTime);
    DropBefore(nTime);
    m_nLastTime = nTime;
    m_bAnyTime = true;
    if (m_notes.size() >= kMaxNotes)
        PopOldestNote();
    m_notes.push_back({nTime, nLength, static_cast<std::uint8_t>(nNote & 0x7F),
                       static_cast<std::uint8_t>(nChannel & 0x0F),
                       static_cast<std::uint8_t>(nProgram & 0x7F)});
}

void CLiveCapture::PopOldestNote() {
    m_notes.pop_front();
    ++m_nDropped;
}

void CLiveCapture::AddTonality(std::uint32_t nTime, std::uint16_t wMask, std::uint8_t nKeynote) {
    nTime = Clamped(nTime);
    DropBefore(nTime);
    m_nLastTime = nTime;
    m_bAnyTime = true;
    if (m_tonalities.size() >= kMaxTonalities) {
        m_tonalityBefore = m_tonalities.front();
        m_bTonalityBefore = true;
        m_tonalities.pop_front();
    }
    m_tonalities.push_back({nTime, static_cast<std::uint16_t>(wMask & 0x7FF),
                            static_cast<std::uint8_t>(nKeynote % 12)});
}

void CLiveCapture::Clear() {
    m_nDropped += m_notes.size();
    m_notes.clear();
    m_held.fill(0);
    m_tonalities.clear();
    m_bTonalityBefore = false;
    m_bAnyTime = false;
}

std::size_t CLiveCapture::FirstKept(std::uint32_t nNow) const {
    nNow = Clamped(nNow);
    // Start times never go back, so the notes too old come first.
    const auto it = std::partition_point(m_notes.begin(), m_notes.end(), [nNow](const SNote& note) {
        return nNow - note.nStart > kWindowMilliseconds;
    });
    return static_cast<std::size_t>(it - m_notes.begin());
}

std::size_t CLiveCapture::GetNoteCount(std::uint32_t nNow) const {
    return m_notes.size() - FirstKept(nNow);
}

void CLiveCapture::AppendNoteTracks(std::list<CTrack>& tracks, std::size_t nFirst,
                                    const std::uint8_t (&channels)[16], std::uint32_t nAtTick,
                                    std::uint32_t nStep, std::uint32_t nNow) const {
    // The program each channel has as it plays; the first one becomes its track's own.
    std::array<int, 16> program;
    program.fill(-1);
    for (std::size_t i = nFirst; i < m_notes.size(); ++i)
        if (program[m_notes[i].nChannel] < 0)
            program[m_notes[i].nChannel] = m_notes[i].nProgram;
    std::array<CTrack*, 16> byChannel{};
    for (std::size_t c = 0; c < 16; ++c) {
        if (program[c] >= 0) {
            CTrack& track = tracks.emplace_back();
            track.m_bActive = true;
            track.m_bOwnProgram = true;
            track.m_nChannel = channels[c];
            track.m_nProgram = static_cast<std::uint8_t>(program[c]);
            byChannel[c] = &track;
        }
    }

    std::array<std::uint64_t, 16> lastTick;
    lastTick.fill(0);
    const std::uint32_t nStart = m_notes[nFirst].nStart;
    for (std::size_t i = nFirst; i < m_notes.size(); ++i) {
        const SNote& note = m_notes[i];
        CTrack& track = *byChannel[note.nChannel];
        const std::uint64_t nTick =
            nAtTick + TicksOf(std::uint64_t{note.nStart - nStart} * 1000, nStep);
        if (note.nProgram != program[note.nChannel]) {
            // The channel changed instruments: later notes play the new one.
            program[note.nChannel] = note.nProgram;
            AppendAt(
                track, lastTick[note.nChannel], nTick,
                ChannelEvent(static_cast<std::uint8_t>(0xC0 | track.m_nChannel), note.nProgram, 0));
        }
        CMidiEvent event =
            ChannelEvent(static_cast<std::uint8_t>(0x90 | track.m_nChannel), note.nNote, kVelocity);
        // A key still held lasts up to now.
        const std::uint64_t nLength =
            note.nLength != kHeld ? note.nLength : std::uint64_t{nNow - note.nStart} * 1000;
        event.m_nLength = std::max<std::uint32_t>(Saturate(TicksOf(nLength, nStep)), 1);
        AppendAt(track, lastTick[note.nChannel], nTick, std::move(event));
    }
}

bool CLiveCapture::MakeSong(CSong& song, std::uint32_t nNow, std::uint32_t nTicksPerQuarter,
                            std::uint32_t nStep) const {
    const std::size_t nFirst = FirstKept(nNow);
    if (nFirst == m_notes.size())
        return false;
    nStep = std::max<std::uint32_t>(nStep, 1);
    nTicksPerQuarter = std::clamp<std::uint32_t>(nTicksPerQuarter, 1, kMaxDivision);
    song.Reset();
    song.m_nDivision = nTicksPerQuarter;
    song.m_nTicksPerQuarter = nTicksPerQuarter;

    // A quarter note lasts nTicksPerQuarter / nStep timer ticks.
    CTrack& first = song.m_tracks.front();
    std::uint64_t nLastTick = 0;
    const std::uint64_t nMicrosPerQuarter = std::clamp<std::uint64_t>(
        nTicksPerQuarter * kMicrosPerTimerTick / nStep, 1, kMaxMicrosPerQuarter);
    AppendAt(first, nLastTick, 0,
             MetaEvent(kMetaTempo, {static_cast<std::uint8_t>(nMicrosPerQuarter >> 16),
                                    static_cast<std::uint8_t>(nMicrosPerQuarter >> 8),
                                    static_cast<std::uint8_t>(nMicrosPerQuarter)}));

    // The tonality in force at the first note goes at tick 0, later changes at their times.
    const std::uint32_t nStart = m_notes[nFirst].nStart;
    const STonality* pInForce = m_bTonalityBefore ? &m_tonalityBefore : nullptr;
    auto appendTonality = [&](const STonality& tonality, std::uint64_t nTick) {
        AppendAt(first, nLastTick, nTick,
                 MetaEvent(CMidiEvent::kMetaSequencer,
                           {CTrack::kScaleMetaId0, CTrack::kScaleMetaId1,
                            static_cast<std::uint8_t>(tonality.wMask & 0xFF),
                            static_cast<std::uint8_t>(tonality.wMask >> 8), tonality.nKeynote}));
    };
    for (const STonality& tonality : m_tonalities) {
        const auto nAfterStart = static_cast<std::int32_t>(tonality.nTime - nStart);
        if (nAfterStart <= 0) {
            pInForce = &tonality;
            continue;
        }
        if (pInForce != nullptr) {
            appendTonality(*pInForce, 0);
            pInForce = nullptr;
        }
        appendTonality(tonality, TicksOf(std::uint64_t{tonality.nTime - nStart} * 1000, nStep));
    }
    if (pInForce != nullptr)
        appendTonality(*pInForce, 0);

    std::uint8_t channels[16];
    for (std::uint8_t c = 0; c < 16; ++c)
        channels[c] = c;
    AppendNoteTracks(song.m_tracks, nFirst, channels, 0, nStep, Clamped(nNow));
    song.ResetRecordPositions();
    return true;
}

bool CLiveCapture::AddToSong(CSong& song, std::uint32_t nNow, std::uint32_t nAtTick) const {
    const std::size_t nFirst = FirstKept(nNow);
    if (nFirst == m_notes.size())
        return false;
    unsigned wUsed = 0;
    for (const CTrack& track : song.m_tracks)
        if (track.m_bActive)
            wUsed |= 1u << (track.m_nChannel & 0x0F);
    unsigned wPlayed = 0;
    for (std::size_t i = nFirst; i < m_notes.size(); ++i)
        wPlayed |= 1u << m_notes[i].nChannel;

    std::uint8_t channels[16] = {};
    for (std::uint8_t c = 0; c < 16; ++c) {
        if (((wPlayed >> c) & 1) == 0)
            continue;
        channels[c] = c;
        if (((wUsed >> c) & 1) != 0 && c != kDrumChannel) {
            for (std::uint8_t nFree = 0; nFree < 16; ++nFree) {
                if (nFree != kDrumChannel && ((wUsed >> nFree) & 1) == 0) {
                    channels[c] = nFree;
                    break;
                }
            }
        }
        wUsed |= 1u << channels[c];
    }

    const std::size_t nOldCount = song.m_tracks.size();
    AppendNoteTracks(song.m_tracks, nFirst, channels, nAtTick,
                     std::max<std::uint32_t>(song.m_nStep, 1), Clamped(nNow));
    // Added while recording, they record from where the others are, as an added track does.
    auto it = song.m_tracks.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(nOldCount));
    for (; it != song.m_tracks.end(); ++it) {
        it->ResetRecord();
        it->AdvanceRecord(song.m_nRecordTime);
    }
    return true;
}
