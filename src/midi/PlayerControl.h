#pragma once

#include <cstdint>

class CScale;
class IMidiPort;

// All the tool windows see of the note player: the control codes of SetControl, the track the
// keyboard plays, and the tonality, changed with the name of the window that changed it. The
// player implements it; the windows never learn what else it is.
class IPlayerControl {
public:
    // SetControl codes: bits 8-15 choose the action, bits 0-7 carry a track index where needed.
    static constexpr std::uint32_t kControlAddTrack = 0x0000;      // value: program
    static constexpr std::uint32_t kControlSetProgram = 0x0100;    // + n; value: program
    static constexpr std::uint32_t kControlRemoveTrack = 0x0200;   // + n; value unused
    static constexpr std::uint32_t kControlNoteLength = 0x0300;    // value: eighths of a quarter
    static constexpr std::uint32_t kControlTempo = 0x0400;         // value: percent
    static constexpr std::uint32_t kControlLengthPercent = 0x0500; // value: percent
    static constexpr std::uint32_t kControlEchoRange = 0x0600;     // value: PackEchoRange
    static constexpr std::uint32_t kControlVelocity = 0x0700;      // value: 1-127

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

    virtual ~IPlayerControl() = default;

    // The one entry point of the Orchestra and Options windows; unknown codes are ignored.
    virtual void SetControl(std::uint32_t nCode, std::uint32_t nValue) = 0;
    // The instrument the keyboard plays: an index among the song's active tracks.
    virtual std::uint8_t GetCurrentTrack() const = 0;
    virtual void SetCurrentTrack(std::uint8_t nTrack) = 0;
    // The tonality as it is now.
    virtual const CScale& GetScale() const = 0;
    // Rebuilds the tonality from a keynote and twelve degrees (CScale::SetPattern) and tells
    // whoever shows it, except pSender: the window that made the change shows it already.
    virtual void SetTonality(std::uint8_t nKeynote, const std::uint8_t* pPattern,
                             const void* pSender) = 0;
    // The port the player sounds through, null when there is none.
    virtual const IMidiPort* GetMidiPort() const = 0;

protected:
    IPlayerControl() = default;
    IPlayerControl(const IPlayerControl&) = default;
    IPlayerControl& operator=(const IPlayerControl&) = default;
};
