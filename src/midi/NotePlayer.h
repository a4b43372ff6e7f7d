#pragma once

#include "keyboard/Keyboard.h"
#include "midi/MidiEvent.h"
#include "midi/MidiOut.h"
#include "midi/NoteScheduler.h"
#include "midi/Song.h"
#include "theory/Scale.h"

#include <cstdint>
#include <filesystem>
#include <memory>

class IMidiPort;

// The engine behind everything that sounds: live notes, chords and arpeggios, Play Scale,
// playback of the song and recording into it. It is the keyboard extended by the song, the
// tonality, a note scheduler and the MIDI output. The main view derives from it, answers its
// three notifications and calls OnTimerTick every 20 ms. The Orchestra and Options windows reach
// it only through SetControl.
//
// Every note gets a fixed duration when it starts; the scheduler ends it. Durations, arpeggio
// delays and the song's clock all count the song's ticks and move by the same step per timer
// tick, so the tempo setting scales all of them together.
class CNotePlayer : public CKeyboard {
public:
    // SetControl codes: bits 8-15 choose the action, bits 0-7 carry a track index where needed.
    static constexpr std::uint32_t kControlAddTrack = 0x0000;      // value: program
    static constexpr std::uint32_t kControlSetProgram = 0x0100;    // + n; value: program
    static constexpr std::uint32_t kControlRemoveTrack = 0x0200;   // + n; value unused
    static constexpr std::uint32_t kControlNoteLength = 0x0300;    // value: eighths of a quarter
    static constexpr std::uint32_t kControlTempo = 0x0400;         // value: percent
    static constexpr std::uint32_t kControlLengthPercent = 0x0500; // value: percent
    static constexpr std::uint32_t kControlEchoRange = 0x0600;     // value: PackEchoRange

    static constexpr std::uint8_t kVelocity = 127;
    // The farthest octave echo the keyboard can show.
    static constexpr int kMaxEcho = 4;

    // The echo range travels packed in the value, never as a pointer: the highest octave offset
    // in the low byte, the lowest in the next, both signed.
    static constexpr std::uint32_t PackEchoRange(int nEchoUp, int nEchoDown) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(nEchoUp)) |
               (static_cast<std::uint32_t>(static_cast<std::uint8_t>(nEchoDown)) << 8);
    }
    static constexpr std::int8_t EchoUpOf(std::uint32_t nValue) {
        return static_cast<std::int8_t>(static_cast<std::uint8_t>(nValue & 0xFFu));
    }
    static constexpr std::int8_t EchoDownOf(std::uint32_t nValue) {
        return static_cast<std::int8_t>(static_cast<std::uint8_t>((nValue >> 8) & 0xFFu));
    }

    // The player sounds through the given port, which it owns: the embedded synthesiser in the
    // program, a recording port in the tests. It is opened at once; whether that worked is
    // m_midiOut.IsOpen(), and the owner tells the user.
    explicit CNotePlayer(std::unique_ptr<IMidiPort> pPort);
    ~CNotePlayer() override;
    CNotePlayer(const CNotePlayer&) = delete;
    CNotePlayer& operator=(const CNotePlayer&) = delete;

    // Called after the tonality changed; the player itself always passes false.
    virtual void OnTonalityChanged(bool bFromScaleWindow) = 0;
    // Playback starts; false = from the beginning.
    virtual void OnPlayStart(bool bContinue) = 0;
    // Playback stopped, also when the song ended by itself.
    virtual void OnPlayStop() = 0;

    // One 20 ms timer tick: due scheduled work, then the record clock, then every due event.
    void OnTimerTick();
    // Sounds a note for nDuration ticks (0: the live note length).
    void StartNote(std::uint8_t nChannel, std::uint8_t nNote, std::uint32_t nDuration);
    void StopNote(std::uint8_t nChannel, std::uint8_t nNote);
    // StartNote, and into the song while recording.
    void PlayNote(std::uint8_t nChannel, std::uint8_t nNote, std::uint32_t nDuration);
    // A key of the on-screen or computer keyboard: a note, or in chord mode its chord.
    void PlayKey(int nNote);
    // The scale upward from octave 3, a note every half note length.
    void PlayScale();
    // The one entry point of the Orchestra and Options windows; unknown codes are ignored.
    void SetControl(std::uint32_t nCode, std::uint32_t nValue);
    // Replaces the song by a Standard MIDI File; false (nothing changed) when it cannot be read.
    bool OpenSong(const std::filesystem::path& path);
    void SendPrograms();
    // Playback from the start: the song rewound and the instruments sent again, as program
    // changes the song played on its last pass may have left other programs on their channels.
    void RewindSong();
    // One event of the song during playback; nothing played back is recorded.
    void PlayEvent(const CMidiEvent& event);
    // Reset Midi: device reset and reopened, programs sent again, pending notes dropped and
    // highlights cleared (the caller repaints). Returns whether the device is open.
    bool ResetMidi();

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
};
