#pragma once

#include "midi/MidiPort.h"
#include "sound/MidiPortId.h"

#include <memory>
#include <vector>

class RtMidiOut;

// A system MIDI output (ALSA sequencer, JACK, WinMM, CoreMIDI) reached through RtMidi, found by
// its name each time it opens: the system's numbering changes as other programs come and go.
class CRtMidiPort : public IMidiPort {
public:
    // The name the program's own client and ports carry on the MIDI system.
    static constexpr const char* kClientName = "Vorkeln";

    explicit CRtMidiPort(SMidiPortId id);
    ~CRtMidiPort() override;
    CRtMidiPort(const CRtMidiPort&) = delete;
    CRtMidiPort& operator=(const CRtMidiPort&) = delete;

    // Every system MIDI output of every MIDI system RtMidi was built with, each system's in the
    // order it gives them; empty when there are none or no MIDI service answers.
    static std::vector<SMidiPortId> ListPorts();

    const SMidiPortId& GetId() const { return m_id; }
    // False when no port of that name is there or it cannot be opened.
    bool Open() override;
    // All sound off, controllers reset and all notes off on every channel.
    void Reset() override;
    void Close() override;
    bool IsOpen() const override { return m_pOut != nullptr; }
    void SendShort(std::uint32_t dwMsg) override;
    // Closes the port when its far end is no longer listed.
    void Poll() override;

private:
    SMidiPortId m_id;
    std::unique_ptr<RtMidiOut> m_pOut;
};
