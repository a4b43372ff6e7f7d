#pragma once

#include <cstdint>
#include <memory>
#include <string>

class IMidiPort;

// The engine behind everything that sounds: live notes, chords and arpeggios, Play Scale,
// playback of the song and recording into it. The main view derives from it, answers its three
// notifications and calls OnTimerTick every 20 ms. The Orchestra and Options windows reach it
// only through SetControl.
class CNotePlayer {
public:
    // SetControl codes: bits 8-15 choose the action, bits 0-7 carry a track index where needed.
    static constexpr std::uint32_t kControlAddTrack = 0x0000;      // value: program
    static constexpr std::uint32_t kControlSetProgram = 0x0100;    // + n; value: program
    static constexpr std::uint32_t kControlRemoveTrack = 0x0200;   // + n; value unused
    static constexpr std::uint32_t kControlNoteLength = 0x0300;    // value: eighths of a quarter
    static constexpr std::uint32_t kControlTempo = 0x0400;         // value: percent
    static constexpr std::uint32_t kControlLengthPercent = 0x0500; // value: percent
    static constexpr std::uint32_t kControlEchoRange = 0x0600;     // value: PackEchoRange

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
    // program, a recording port in the tests.
    explicit CNotePlayer(std::unique_ptr<IMidiPort> pPort);
    virtual ~CNotePlayer();
    CNotePlayer(const CNotePlayer&) = delete;
    CNotePlayer& operator=(const CNotePlayer&) = delete;

    // Called after the tonality changed; the player itself always passes false.
    virtual void OnTonalityChanged(bool bFromScaleWindow) = 0;
    // Playback starts; false = from the beginning.
    virtual void OnPlayStart(bool bContinue) = 0;
    // Playback stopped, also when the song ended by itself.
    virtual void OnPlayStop() = 0;

    void OnTimerTick();
    void PlayKey(int nNote);
    void PlayScale();
    void SetControl(std::uint32_t nCode, std::uint32_t nValue);
    bool OpenSong(const std::string& strPath);
    void SendPrograms();

    std::uint32_t m_dwFlags = 0;
    std::uint8_t m_nCurrentTrack = 0;
    bool m_bArpeggio = false;
    bool m_bPlaying = false;
    bool m_bRecording = false;
    bool m_bIgnoreSysEx = true;

protected:
    std::unique_ptr<IMidiPort> m_pPort;
};
