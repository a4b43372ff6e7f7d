// Loads arbitrary bytes as a song; whatever loads is played through, recorded into, saved and
// read back, and a file we write must read back to the very same bytes.
#include "midi/Song.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {
std::vector<std::uint8_t> Encode(CSong& song) {
    std::vector<std::uint8_t> bytes;
    song.EncodeChunks();
    song.Serialise(bytes);
    song.ReleaseChunks();
    return bytes;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    CSong song;
    if (!song.LoadMemory(pData, nSize)) {
        return 0;
    }

    std::size_t nEvents = 0;
    for (const CTrack& track : song.m_tracks) {
        nEvents += track.m_events.size();
    }
    song.Rewind();
    song.m_nPlayTime = CTrack::kNoTime - 1;
    const CMidiEvent* pEvent = nullptr;
    std::size_t nPlayed = 0;
    while (song.GetNextDueEvent(pEvent) && pEvent != nullptr && nPlayed <= nEvents) {
        ++nPlayed;
    }

    const std::vector<std::uint8_t> first = Encode(song);
    CSong again;
    if (!again.LoadMemory(first.data(), first.size()) || Encode(again) != first) {
        std::abort();
    }

    // Overdub onto what was loaded, then save and read once more.
    song.ResetRecordPositions();
    for (std::uint32_t i = 0; i < 8; ++i) {
        song.AdvanceRecordTime();
        song.RecordNote(static_cast<std::uint8_t>(i % 16), static_cast<std::uint8_t>(60 + i),
                        1 + 40 * i);
        song.RecordScale(static_cast<std::uint16_t>(i), static_cast<std::uint8_t>(i));
    }
    const std::vector<std::uint8_t> recorded = Encode(song);
    CSong third;
    if (!third.LoadMemory(recorded.data(), recorded.size()) || Encode(third) != recorded) {
        std::abort();
    }
    return 0;
}
