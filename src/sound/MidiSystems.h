#pragma once

#include "sound/MidiPortId.h"

#include <RtMidi.h>

#include <functional>
#include <memory>
#include <vector>

// What the system MIDI ports of input and output share: the MIDI systems RtMidi was built with,
// and ports found by name. Errors become results: nothing here prints or throws.
class CMidiSystems {
public:
    // Every MIDI system RtMidi offers on this platform, its stand-in without ports left out.
    static std::vector<RtMidi::Api> Apis();
    // An RtMidi client (RtMidiIn or RtMidiOut) of one system; nullptr when it cannot be made.
    template <class TMidi> static std::unique_ptr<TMidi> MakeClient(RtMidi::Api api);
    // The ports an open client sees.
    static std::vector<SMidiPortId> ListPorts(RtMidi& midi, RtMidi::Api api);
    // Every port of every system, as a client of type TMidi sees them.
    template <class TMidi> static std::vector<SMidiPortId> ListAll();
    // The index of the port id names among those midi sees; -1 when it is not there.
    static int FindPort(RtMidi& midi, RtMidi::Api api, const SMidiPortId& id);
    // Whether the port id names is still listed by the system of an open client.
    static bool IsListed(RtMidi& midi, const SMidiPortId& id);
    // A client of id's system connected to that port through a port of its own named
    // pszOwnPort; fnPrepare sets it up first. Null when it is not there or does not open.
    template <class TMidi>
    static std::unique_ptr<TMidi> OpenPort(const SMidiPortId& id, const char* pszOwnPort,
                                           const std::function<void(TMidi&)>& fnPrepare);
};
