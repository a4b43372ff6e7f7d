#include "midi/PlaybackSource.h"

#include "midi/NoteDisplay.h"
#include "midi/NoteEngine.h"
#include "midi/RecordingPort.h"

#include <algorithm>
#include <utility>

// Nothing of the offline playback is shown, and the tonality its song sets is its own.
class CPlaybackSource::CSilentDisplay : public INoteDisplay {
public:
    void ShowNote(int /*nChannel*/, int /*nNote*/, bool /*bOn*/) override {}
    void ShowEchoRange(std::int8_t /*nEchoUp*/, std::int8_t /*nEchoDown*/) override {}
    void ResetNoteStates() override {}
    void OnTonalityChanged(const void* /*pSender*/) override {}
    void OnPlayStart(bool /*bContinue*/) override {}
    void OnPlayStop() override {}
};

CPlaybackSource::CPlaybackSource(CSong& song, bool bIgnoreSysEx)
    : m_pDisplay(std::make_unique<CSilentDisplay>()) {
    auto pPort = std::make_unique<CRecordingPort>();
    m_pPort = pPort.get();
    m_pEngine = std::make_unique<CNoteEngine>(std::move(pPort), *m_pDisplay);
    CSong& copy = m_pEngine->m_song;
    std::vector<std::uint8_t> bytes;
    if (!song.SaveMemory(bytes) || !copy.LoadMemory(bytes.data(), bytes.size())) {
        m_bEnded = true;
        return;
    }
    copy.m_nTicksPerQuarter = song.m_nTicksPerQuarter;
    copy.m_nBaseStep = song.m_nBaseStep;
    copy.SetTempo(song.m_nTempo);
    copy.SetLengthPercent(song.m_nLengthPercent);
    m_pEngine->m_bIgnoreSysEx = bIgnoreSysEx;
    // A song clock that stands still would never end.
    if (copy.m_nStep == 0) {
        m_bEnded = true;
        return;
    }

    // The last tick anything of the song sounds at, its notes lengthened as they will be.
    std::uint64_t nEnd = 0;
    for (const CTrack& track : copy.m_tracks) {
        std::uint64_t nTime = 0;
        for (const CMidiEvent& event : track.m_events) {
            nTime += event.m_nDelta;
            const std::uint64_t nLength =
                event.IsNoteOn() ? std::uint64_t{event.m_nLength} * copy.m_nLengthPercent / 100 : 0;
            nEnd = std::max(nEnd, nTime + nLength);
        }
    }
    m_nExpectedTicks = nEnd / copy.m_nStep + 1;
    m_pEngine->StartPlay(false);
}

CPlaybackSource::~CPlaybackSource() = default;

bool CPlaybackSource::NextTick(std::vector<std::uint32_t>& out) {
    if (m_bEnded) {
        return false;
    }
    std::vector<std::uint32_t>& sent = m_pPort->m_messages;
    // The first tick also carries what the start sent: the reset and the instruments.
    m_pEngine->OnTimerTick();
    out.insert(out.end(), sent.begin(), sent.end());
    sent.clear();
    if (!m_pEngine->m_bPlaying && m_pEngine->m_scheduler.IsEmpty()) {
        m_bEnded = true;
    }
    return true;
}
