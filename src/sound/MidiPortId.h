#pragma once

#include <string>

// A system MIDI port as the user chooses it and the settings keep it: the MIDI system it
// belongs to (RtMidi's short name of the API: "alsa", "jack", "winmm", "core") and the name that
// system gives it.
struct SMidiPortId {
    std::string m_api;
    std::string m_name;

    // "ALSA: Midi Through:Midi Through Port-0 14:0", as the Devices window lists it.
    std::string GetDisplayName() const;
    // "api/name", as the settings keep it; Parse gives back an empty id for anything else.
    std::string ToKey() const { return m_api + "/" + m_name; }
    static SMidiPortId Parse(const std::string& key);
    bool IsEmpty() const { return m_api.empty() || m_name.empty(); }
    // The same port, also when the system numbered it anew since ("... 14:0" and "... 20:0"
    // name the same ALSA port once the client restarted).
    bool Matches(const SMidiPortId& other) const;

    bool operator==(const SMidiPortId&) const = default;
};
