#pragma once

#include "midi/MessageRing.h"
#include "sound/MidiPortId.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class RtMidiIn;

// A system MIDI input (ALSA sequencer, JACK, WinMM, CoreMIDI) reached through RtMidi, found by
// its name. Its channel messages arrive on RtMidi's thread and wait in a ring for the owner's
// thread, which is woken once for each batch; nothing on the input's side ever waits for it.
class CRtMidiInput {
public:
    // Called on the input's thread when messages wait and the owner has not yet been told since
    // it last drained them. It must not block: it only asks the owner's thread to drain.
    using Wake = std::function<void()>;

    explicit CRtMidiInput(SMidiPortId id);
    ~CRtMidiInput();
    CRtMidiInput(const CRtMidiInput&) = delete;
    CRtMidiInput& operator=(const CRtMidiInput&) = delete;

    // Every system MIDI input of every MIDI system RtMidi was built with.
    static std::vector<SMidiPortId> ListPorts();

    const SMidiPortId& GetId() const { return m_id; }
    // False when no port of that name is there or it cannot be opened.
    bool Open(Wake fnWake);
    void Close();
    bool IsOpen() const { return m_pIn != nullptr; }
    // Closes the input when its far end is no longer listed; the owner's thread.
    void Poll();

    // What the input's thread does with one message as RtMidi gives it: channel messages wait
    // in the ring, everything else is left out.
    void Receive(const unsigned char* pBytes, std::size_t nSize);
    // The owner's thread: the messages that waited, oldest first, appended to messages.
    void Drain(std::vector<std::uint32_t>& messages);

private:
    SMidiPortId m_id;
    std::unique_ptr<RtMidiIn> m_pIn;
    Wake m_fnWake;
    CMessageRing m_ring;
    std::atomic<bool> m_bWakePending{false};
};
