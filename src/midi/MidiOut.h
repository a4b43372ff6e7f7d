#pragma once

#include "midi/MidiPort.h"

#include <cstdint>
#include <functional>
#include <memory>

// The program's one MIDI output. It packs the few musical operations into short messages and
// hands them to its port; which port (embedded synthesiser, system port, recording port) is
// chosen by the owner. The core never shows anything: a failed Open is returned and reported to
// the owner's handler, and the shell tells the user.
class CMidiOut {
public:
    // What the shell shows on every failed Open.
    static constexpr const char* kOpenFailedText = "Cant open MIDI_MAPPER";
    static constexpr const char* kOpenFailedCaption = "Tavrin";

    explicit CMidiOut(std::unique_ptr<IMidiPort> pPort = nullptr);
    ~CMidiOut();
    CMidiOut(const CMidiOut&) = delete;
    CMidiOut& operator=(const CMidiOut&) = delete;

    // Replaces the port; the old one is closed first.
    void SetPort(std::unique_ptr<IMidiPort> pPort);
    IMidiPort* GetPort() const { return m_pPort.get(); }
    // Called on every failed Open (also when there is no port at all), and once when a port that
    // opened can no longer sound (see CheckPort).
    void SetOpenFailedHandler(std::function<void()> onOpenFailed);
    // Whether an Open failed while no handler was set (the one of the constructor's owner);
    // cleared by asking.
    bool TakeUntoldFailure();

    // Close, then open the port again; false (and the handler called) when it cannot be opened.
    bool Open();
    // Silences every sounding note and resets controllers, then closes; nothing when closed.
    void Close();
    // Open, then channel 0 to program 0. Returns what Open returned.
    bool Reset();
    bool IsOpen() const;
    // A port may open and fail later, as the embedded synthesiser does when its sounds cannot be
    // loaded: the handler is told once, here, on the owner's thread.
    void CheckPort();

    // Sends are ignored while the device is closed.
    void SendShort(std::uint32_t dwMsg);
    void ProgramChange(std::uint8_t nChannel, std::uint8_t nProgram);
    void NoteOn(std::uint8_t nChannel, std::uint8_t nNote, std::uint8_t nVelocity);
    void NoteOff(std::uint8_t nChannel, std::uint8_t nNote);

private:
    void ReportFailure();

    std::unique_ptr<IMidiPort> m_pPort;
    std::function<void()> m_onOpenFailed;
    bool m_bOpened = false; // the last Open succeeded and no failure has been told since
    bool m_bUntoldFailure = false;
};
