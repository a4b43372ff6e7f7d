#pragma once

#include "midi/MidiPort.h"

#include <memory>
#include <string>
#include <vector>

class RtMidiOut;

// A system MIDI output (ALSA sequencer, WinMM, CoreMIDI) reached through RtMidi.
class CRtMidiPort : public IMidiPort {
public:
    // nPort indexes ListPorts().
    explicit CRtMidiPort(unsigned nPort = 0);
    ~CRtMidiPort() override;
    CRtMidiPort(const CRtMidiPort&) = delete;
    CRtMidiPort& operator=(const CRtMidiPort&) = delete;

    // The names of the system's MIDI outputs; empty when there are none or no MIDI service.
    static std::vector<std::string> ListPorts();

    bool Open() override;
    // All sound off, controllers reset and all notes off on every channel.
    void Reset() override;
    void Close() override;
    bool IsOpen() const override { return m_pOut != nullptr; }
    void SendShort(std::uint32_t dwMsg) override;

private:
    unsigned m_nPort;
    std::unique_ptr<RtMidiOut> m_pOut;
};
