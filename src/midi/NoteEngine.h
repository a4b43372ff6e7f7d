#pragma once

#include "midi/LiveCapture.h"
#include "midi/MidiEvent.h"
#include "midi/MidiOut.h"
#include "midi/NoteDisplay.h"
#include "midi/NoteScheduler.h"
#include "midi/PlayerControl.h"
#include "midi/Song.h"
#include "midi/SoundingNotes.h"
#include "theory/Scale.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>

class IMidiPort;

// The engine behind everything that sounds: live notes, chords and arpeggios, Play Scale,
// playback of the song and recording into it. It holds the song, the tonality, a note scheduler
// and the MIDI output, and tells a display what it must show; it draws nothing itself and needs
// no window. Its owner calls OnTimerTick every 20 ms. The tool windows reach it only through
// IPlayerControl.
//
// Every note gets a fixed duration when it starts; the scheduler ends it. Durations, arpeggio
// delays and the song's clock all count the song's ticks and move by the same step per timer
// tick, so the tempo setting scales all of them together.
class CNoteEngine : public IPlayerControl {
public:
    static constexpr std::uint8_t kVelocity = 127;

    // The engine sounds through the given port, which it owns: the embedded synthesiser in the
    // program, a recording port in the tests. It is opened at once; whether that worked is
    // m_midiOut.IsOpen(), and the owner tells the user. The display must outlive the engine; it
    // is only stored here, so it may still be under construction.
    CNoteEngine(std::unique_ptr<IMidiPort> pPort, INoteDisplay& display);
    ~CNoteEngine() override;
    CNoteEngine(const CNoteEngine&) = delete;
    CNoteEngine& operator=(const CNoteEngine&) = delete;

    // One 20 ms timer tick: due scheduled work, then the record clock, then every due event.
    void OnTimerTick();
    // Sounds a note for nDuration ticks (0: the live note length).
    void StartNote(std::uint8_t nChannel, std::uint8_t nNote, std::uint32_t nDuration,
                   std::uint8_t nVelocity = kVelocity);
    void StopNote(std::uint8_t nChannel, std::uint8_t nNote);
    // StartNote, and into the song while recording.
    void PlayNote(std::uint8_t nChannel, std::uint8_t nNote, std::uint32_t nDuration);
    // A key of the on-screen or computer keyboard: a note, or in chord mode its chord.
    void PlayKey(int nNote);
    // The scale upward from octave 3, a note every half note length.
    void PlayScale();
    void SetControl(std::uint32_t nCode, std::uint32_t nValue) override;
    // Replaces the song by a Standard MIDI File; fails (nothing changed), saying why, when it
    // cannot be read.
    CFileResult OpenSong(const std::filesystem::path& path);
    void SendPrograms();
    // Playback from the start: the song rewound and the instruments sent again, as program
    // changes the song played on its last pass may have left other programs on their channels.
    void RewindSong();
    // Playback starts (bContinue false: from the beginning, rewound) or stops; the display is
    // told after the change.
    void StartPlay(bool bContinue);
    void StopPlay();
    // One event of the song during playback; nothing played back is recorded.
    void PlayEvent(const CMidiEvent& event);
    // m_scale was changed by pSender (null: not a window): recorded into the song while
    // recording live, then the display is told.
    void NotifyTonalityChanged(const void* pSender);
    // Reset Midi: device reset and reopened, programs sent again, pending notes dropped and the
    // display's notes reset (the caller repaints). Returns whether the device is open.
    bool ResetMidi();
    // The clock of what is played live: timer ticks so far, in milliseconds.
    std::uint32_t GetLiveTime() const { return m_nTicks * CLiveCapture::kTimerMilliseconds; }
    // The program the first active track on nChannel plays (0 when none uses it).
    std::uint8_t GetChannelProgram(std::uint8_t nChannel) const;
    // One channel message from a system MIDI input. A key sounds on the channel of the selected
    // instrument (or its own with m_bKeepInputChannels) with its velocity, is shown like a key
    // played with the mouse and ends when it is released; while recording it goes into the song
    // with its real length. Other messages pass through on the same channel and are recorded,
    // except program changes, which leave the Orchestra as it is.
    void OnInputMessage(std::uint32_t dwMsg);

    std::uint8_t GetCurrentTrack() const override { return m_nCurrentTrack; }
    void SetCurrentTrack(std::uint8_t nTrack) override { m_nCurrentTrack = nTrack; }
    const CScale& GetScale() const override { return m_scale; }
    void SetTonality(std::uint8_t nKeynote, const std::uint8_t* pPattern,
                     const void* pSender) override;
    const IMidiPort* GetMidiPort() const override { return m_midiOut.GetPort(); }

    CSong m_song;
    CScale m_scale;
    CNoteScheduler m_scheduler;
    CMidiOut m_midiOut;
    std::uint32_t m_dwFlags = 0;
    std::uint8_t m_nCurrentTrack = 0;
    bool m_bArpeggio = false;
    bool m_bPlaying = false;
    bool m_bRecording = false;
    bool m_bIgnoreSysEx = true;
    // What sounds now, from any source, and everything played live in the last 30 minutes.
    CSoundingNotes m_sounding;
    CLiveCapture m_capture;
    std::uint32_t m_nTicks = 0;
    // Notes of the mouse and the computer keyboard.
    std::uint8_t m_nVelocity = kVelocity;
    bool m_bKeepInputChannels = false;

private:
    // The channel each key held on an input sounds on, by its own channel * 128 + note;
    // kNoChannel while it is not held.
    static constexpr std::uint8_t kNoChannel = 0xFF;
    using InputKeys = std::array<std::uint8_t, 16 * 128>;
    static constexpr InputKeys MakeNoKeys() {
        InputKeys keys{};
        keys.fill(kNoChannel);
        return keys;
    }

    INoteDisplay& m_display;
    InputKeys m_inputKeys = MakeNoKeys();
};
