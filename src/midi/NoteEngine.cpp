#include "midi/NoteEngine.h"

#include "midi/MidiPort.h"
#include "theory/ModeFlags.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

namespace {

constexpr std::uint8_t kMetaKeySignatureLength = 2;
constexpr std::uint32_t kMinScaleEventLength = 5;

std::uint32_t Saturate(std::uint64_t n) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(n, std::numeric_limits<std::uint32_t>::max()));
}

} // namespace

CNoteEngine::CNoteEngine(std::unique_ptr<IMidiPort> pPort, INoteDisplay& display)
    : m_midiOut(std::move(pPort)), m_display(display) {
    m_midiOut.Reset();
}

CNoteEngine::~CNoteEngine() {
    m_midiOut.Close();
    m_scheduler.ClearPending();
}

void CNoteEngine::OnTimerTick() {
    ++m_nTicks;
    m_midiOut.CheckPort();
    // A tempo too slow for the song's division stops the song's clock (a step of 0), but the
    // notes already sounding must still end: their clock never stands still.
    const std::uint32_t nStep = std::max<std::uint32_t>(m_song.m_nStep, 1);
    CScheduledNote node;
    while (m_scheduler.PopDue(node, nStep)) {
        if (node.m_nDuration == 0) {
            StopNote(node.m_nChannel, node.m_nNote);
        } else {
            PlayNote(node.m_nChannel, node.m_nNote, node.m_nDuration);
        }
    }

    if (m_bRecording) {
        m_song.AdvanceRecordTime();
    }

    if (m_bPlaying) {
        for (;;) {
            const CMidiEvent* pEvent = nullptr;
            if (!m_song.GetNextDueEvent(pEvent)) {
                StopPlay();
                break;
            }
            if (pEvent == nullptr) {
                m_song.m_nPlayTime += m_song.m_nStep;
                break;
            }
            PlayEvent(*pEvent);
        }
    }
}

void CNoteEngine::StartNote(std::uint8_t nChannel, std::uint8_t nNote, std::uint32_t nDuration,
                            std::uint8_t nVelocity) {
    if (nDuration == 0) {
        nDuration = m_song.m_nNoteLength;
    }
    // A note that still sounds is cut and struck again; its highlight simply stays.
    const bool bStillSounding = m_scheduler.ScheduleNoteOff(nChannel, nNote, nDuration);
    if (bStillSounding) {
        m_midiOut.NoteOff(nChannel, nNote);
    }
    // The sound goes out first: it must not wait for the picture.
    m_midiOut.NoteOn(nChannel, nNote, nVelocity);
    if (!bStillSounding) {
        m_sounding.Set(nChannel, nNote, true);
        m_display.ShowNote(nChannel, nNote, true);
    }
}

void CNoteEngine::StopNote(std::uint8_t nChannel, std::uint8_t nNote) {
    m_midiOut.NoteOff(nChannel, nNote);
    m_sounding.Set(nChannel, nNote, false);
    m_display.ShowNote(nChannel, nNote, false);
}

void CNoteEngine::PlayNote(std::uint8_t nChannel, std::uint8_t nNote, std::uint32_t nDuration) {
    if (nDuration == 0) {
        nDuration = m_song.m_nNoteLength;
    }
    StartNote(nChannel, nNote, nDuration, m_nVelocity);
    m_capture.AddNote(GetLiveTime(), nChannel, nNote, GetChannelProgram(nChannel), nDuration,
                      m_song.m_nStep);
    if (m_bRecording) {
        m_song.RecordNote(nChannel, nNote, nDuration);
    }
}

void CNoteEngine::PlayKey(int nNote) {
    if (nNote < 0 || nNote > 127) {
        return;
    }
    const std::uint8_t nChannel = m_song.GetActiveTrackChannel(m_nCurrentTrack);
    const std::uint32_t nLength = m_song.m_nNoteLength;
    if ((m_dwFlags & kFlagChordMode) == 0) {
        PlayNote(nChannel, static_cast<std::uint8_t>(nNote), nLength);
        return;
    }

    const std::uint8_t* pNotes = nullptr;
    std::uint8_t nCount = 0;
    m_scale.BuildChord(pNotes, nCount, static_cast<std::uint8_t>(nNote), m_dwFlags);
    if (pNotes == nullptr || nCount == 0) {
        return;
    }
    // The scale owns the chord's notes only until the next chord is built.
    std::array<std::uint8_t, CScale::kMaxChordNotes> notes{};
    nCount = std::min<std::uint8_t>(nCount, static_cast<std::uint8_t>(notes.size()));
    std::copy(pNotes, pNotes + nCount, notes.begin());

    PlayNote(nChannel, notes[0], nLength);
    if (m_bArpeggio && nLength > 8) {
        for (std::uint8_t i = 1; i < nCount; ++i) {
            m_scheduler.ScheduleNote(nChannel, notes[i], nLength,
                                     Saturate(std::uint64_t{i} * nLength / 8));
        }
    } else {
        for (std::uint8_t i = 1; i < nCount; ++i) {
            PlayNote(nChannel, notes[i], nLength);
        }
    }
}

void CNoteEngine::PlayScale() {
    const std::uint8_t nChannel = m_song.GetActiveTrackChannel(m_nCurrentTrack);
    const std::uint32_t nLength = m_song.m_nNoteLength;
    std::array<std::uint8_t, CScale::kMaxScaleNotes + 1> notes{};
    std::uint8_t nCount = 0;
    m_scale.GetScaleNotes(notes.data(), nCount);
    if (nCount == 0) {
        return;
    }
    constexpr std::uint8_t kFirstOctave = 48;
    PlayNote(nChannel, static_cast<std::uint8_t>(kFirstOctave + notes[0]), nLength);
    for (std::uint8_t i = 1; i < nCount; ++i) {
        m_scheduler.ScheduleNote(nChannel, static_cast<std::uint8_t>(kFirstOctave + notes[i]),
                                 nLength, Saturate(std::uint64_t{i} * nLength / 2));
    }
}

void CNoteEngine::SetControl(std::uint32_t nCode, std::uint32_t nValue) {
    const std::uint32_t nAction = nCode & 0xFF00u;
    const std::size_t nTrack = nCode & 0xFFu;
    if ((nCode & 0xFFFF0000u) != 0) {
        return;
    }
    switch (nAction) {
    case kControlAddTrack:
        if (nTrack == 0 && nValue <= 127) {
            const std::uint8_t nProgram = static_cast<std::uint8_t>(nValue);
            m_midiOut.ProgramChange(m_song.AddTrack(nProgram), nProgram);
        }
        break;
    case kControlSetProgram:
        if (nValue <= 127) {
            if (CTrack* pTrack = m_song.FindActiveTrack(nTrack)) {
                pTrack->m_nProgram = static_cast<std::uint8_t>(nValue);
                pTrack->m_bOwnProgram = true;
                m_song.MarkModified();
                m_midiOut.ProgramChange(pTrack->m_nChannel, pTrack->m_nProgram);
            }
        }
        break;
    case kControlRemoveTrack:
        m_song.RemoveActiveTrack(nTrack);
        SendPrograms();
        break;
    case kControlNoteLength:
        if (nTrack == 0) {
            m_song.SetNoteLength(nValue);
        }
        break;
    case kControlTempo:
        if (nTrack == 0) {
            m_song.SetTempo(nValue);
        }
        break;
    case kControlLengthPercent:
        if (nTrack == 0) {
            m_song.SetLengthPercent(nValue);
        }
        break;
    case kControlVelocity:
        if (nTrack == 0 && nValue >= 1 && nValue <= 127) {
            m_nVelocity = static_cast<std::uint8_t>(nValue);
        }
        break;
    case kControlEchoRange:
        if (nTrack == 0) {
            // The keyboard keeps states for offsets -4..4 only.
            m_display.ShowEchoRange(
                static_cast<std::int8_t>(std::clamp<int>(EchoUpOf(nValue), -kMaxEcho, kMaxEcho)),
                static_cast<std::int8_t>(std::clamp<int>(EchoDownOf(nValue), -kMaxEcho, kMaxEcho)));
        }
        break;
    default:
        break;
    }
}

CFileResult CNoteEngine::OpenSong(const std::filesystem::path& path) {
    CFileResult result = m_song.Load(path);
    if (result) {
        SendPrograms();
    }
    return result;
}

void CNoteEngine::SendPrograms() {
    // Channels of tracks without a program of their own start at the General MIDI default; a
    // track's own program then wins on its channel, as it does when the file is played.
    for (const bool bOwn : {false, true}) {
        for (const CTrack& track : m_song.m_tracks) {
            if (track.m_bActive && track.m_bOwnProgram == bOwn) {
                m_midiOut.ProgramChange(track.m_nChannel, track.m_nProgram);
            }
        }
    }
}

void CNoteEngine::RewindSong() {
    m_song.Rewind();
    SendPrograms();
}

void CNoteEngine::StartPlay(bool bContinue) {
    m_bPlaying = true;
    if (!bContinue) {
        RewindSong();
    }
    m_display.OnPlayStart(bContinue);
}

void CNoteEngine::StopPlay() {
    m_bPlaying = false;
    m_display.OnPlayStop();
}

void CNoteEngine::PlayEvent(const CMidiEvent& event) {
    if (event.IsChannelMessage()) {
        if (event.IsNoteOn()) {
            std::uint32_t nDuration =
                Saturate(std::uint64_t{m_song.m_nLengthPercent} * event.m_nLength / 100);
            if (nDuration == 0) {
                nDuration = 1;
            }
            StartNote(event.GetChannel(), event.m_data1 & 0x7Fu, nDuration);
        } else {
            m_midiOut.SendShort(event.m_status + (std::uint32_t{event.m_data1} << 8) +
                                (std::uint32_t{event.m_data2} << 16));
        }
        return;
    }
    if (m_bIgnoreSysEx || !event.IsMeta() || event.m_pData == nullptr) {
        return;
    }
    const std::uint8_t* pData = event.m_pData.get();
    if (event.m_data1 == CMidiEvent::kMetaKeySignature &&
        event.m_nLength == kMetaKeySignatureLength) {
        m_scale.SetKeySignature(static_cast<std::int8_t>(pData[0]), pData[1]);
        NotifyTonalityChanged(nullptr);
    } else if (event.m_data1 == CMidiEvent::kMetaSequencer &&
               event.m_nLength >= kMinScaleEventLength && pData[0] == CTrack::kScaleMetaId0 &&
               pData[1] == CTrack::kScaleMetaId1) {
        m_scale.SetMask(pData[4], static_cast<std::uint16_t>(pData[2] + 256u * pData[3]));
        NotifyTonalityChanged(nullptr);
    }
}

bool CNoteEngine::ResetMidi() {
    const bool bOpen = m_midiOut.Reset();
    SendPrograms();
    m_scheduler.ClearPending();
    m_sounding.Clear();
    m_display.ResetNoteStates();
    m_inputKeys = MakeNoKeys();
    return bOpen;
}

void CNoteEngine::OnInputMessage(std::uint32_t dwMsg) {
    const std::uint8_t nStatus = dwMsg & 0xF0u;
    if (nStatus < 0x80 || nStatus >= 0xF0) {
        return;
    }
    const std::uint8_t nData1 = (dwMsg >> 8) & 0x7Fu;
    const std::uint8_t nData2 = (dwMsg >> 16) & 0x7Fu;
    const std::uint8_t nChannel = m_bKeepInputChannels
                                      ? static_cast<std::uint8_t>(dwMsg & 0x0Fu)
                                      : m_song.GetActiveTrackChannel(m_nCurrentTrack);
    if (nStatus == 0x80 || nStatus == 0x90) {
        // A key ends on the channel it started on, whatever was chosen since.
        std::uint8_t& nHeldOn = m_inputKeys[(dwMsg & 0x0Fu) * 128 + nData1];
        if (nStatus == 0x90 && nData2 > 0) {
            if (nHeldOn != kNoChannel) {
                StopNote(nHeldOn, nData1);
                m_song.EndHeldNote(nHeldOn, nData1);
                m_capture.EndHeldNote(GetLiveTime(), nHeldOn, nData1);
            }
            // The sound goes out first: it must not wait for the picture.
            m_midiOut.NoteOn(nChannel, nData1, nData2);
            m_sounding.Set(nChannel, nData1, true);
            m_display.ShowNote(nChannel, nData1, true);
            nHeldOn = nChannel;
            m_capture.StartHeldNote(GetLiveTime(), nChannel, nData1, GetChannelProgram(nChannel));
            if (m_bRecording) {
                m_song.StartHeldNote(nChannel, nData1, nData2);
            }
        } else if (nHeldOn != kNoChannel) {
            const std::uint8_t nOn = std::exchange(nHeldOn, kNoChannel);
            StopNote(nOn, nData1);
            m_song.EndHeldNote(nOn, nData1);
            m_capture.EndHeldNote(GetLiveTime(), nOn, nData1);
        }
        return;
    }
    const bool bTwoBytes = nStatus == 0xC0 || nStatus == 0xD0;
    m_midiOut.SendShort(nStatus + nChannel + (std::uint32_t{nData1} << 8) +
                        (bTwoBytes ? 0u : std::uint32_t{nData2} << 16));
    if (m_bRecording) {
        m_song.RecordMessage(static_cast<std::uint8_t>(nStatus | nChannel), nData1,
                             bTwoBytes ? 0 : nData2);
    }
}

void CNoteEngine::NotifyTonalityChanged(const void* pSender) {
    STonalityRecord record;
    m_scale.GetTonalityRecord(record);
    // A change that playback makes is not recorded, as the notes it plays are not.
    if (m_bRecording && !m_bPlaying) {
        m_song.RecordScale(record.wMask, record.nKeynote);
    }
    m_capture.AddTonality(GetLiveTime(), record.wMask, record.nKeynote);
    m_display.OnTonalityChanged(pSender);
}

void CNoteEngine::SetTonality(std::uint8_t nKeynote, const std::uint8_t* pPattern,
                              const void* pSender) {
    m_scale.SetPattern(nKeynote, pPattern);
    NotifyTonalityChanged(pSender);
}

std::uint8_t CNoteEngine::GetChannelProgram(std::uint8_t nChannel) const {
    for (const CTrack& track : m_song.m_tracks) {
        if (track.m_bActive && track.m_nChannel == nChannel) {
            return track.m_nProgram;
        }
    }
    return 0;
}
