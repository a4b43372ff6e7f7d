#include "sound/MidiSystems.h"

#include "sound/RtMidiPort.h"

#ifdef VORKELN_HAVE_JACK
#include <jack/jack.h>
#endif

#include <filesystem>

namespace {
void IgnoreError(RtMidiError::Type /*type*/, const std::string& /*text*/, void* /*pData*/) {}

#ifdef VORKELN_HAVE_JACK
void IgnoreJackMessage(const char* /*pszMessage*/) {}
#endif

// Whether the system answers at all. Asked first, because a client of a system that is not
// there complains on stderr before anyone can tell it not to.
bool IsRunning(RtMidi::Api api) {
    switch (api) {
    case RtMidi::LINUX_ALSA:
        return std::filesystem::exists("/dev/snd/seq");
#ifdef VORKELN_HAVE_JACK
    case RtMidi::UNIX_JACK: {
        jack_set_error_function(IgnoreJackMessage);
        jack_set_info_function(IgnoreJackMessage);
        jack_client_t* pClient = jack_client_open("Vorkeln", JackNoStartServer, nullptr);
        if (pClient == nullptr) {
            return false;
        }
        jack_client_close(pClient);
        return true;
    }
#endif
    default:
        return true;
    }
}
} // namespace

std::vector<RtMidi::Api> CMidiSystems::Apis() {
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    std::erase(apis, RtMidi::RTMIDI_DUMMY);
    return apis;
}

template <class TMidi> std::unique_ptr<TMidi> CMidiSystems::MakeClient(RtMidi::Api api) {
    if (!IsRunning(api)) {
        return nullptr;
    }
    try {
        auto pMidi = std::make_unique<TMidi>(api, CRtMidiPort::kClientName);
        pMidi->setErrorCallback(IgnoreError);
        return pMidi;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

template std::unique_ptr<RtMidiIn> CMidiSystems::MakeClient<RtMidiIn>(RtMidi::Api);
template std::unique_ptr<RtMidiOut> CMidiSystems::MakeClient<RtMidiOut>(RtMidi::Api);

std::vector<SMidiPortId> CMidiSystems::ListPorts(RtMidi& midi, RtMidi::Api api) {
    std::vector<SMidiPortId> ports;
    try {
        const unsigned nCount = midi.getPortCount();
        for (unsigned i = 0; i < nCount; ++i) {
            std::string name = midi.getPortName(i);
            if (!name.empty()) {
                ports.push_back({RtMidi::getApiName(api), std::move(name)});
            }
        }
    } catch (const RtMidiError&) {
        ports.clear();
    }
    return ports;
}

template <class TMidi> std::vector<SMidiPortId> CMidiSystems::ListAll() {
    std::vector<SMidiPortId> ports;
    for (const RtMidi::Api api : Apis()) {
        if (auto pMidi = MakeClient<TMidi>(api)) {
            const std::vector<SMidiPortId> some = ListPorts(*pMidi, api);
            ports.insert(ports.end(), some.begin(), some.end());
        }
    }
    return ports;
}

template std::vector<SMidiPortId> CMidiSystems::ListAll<RtMidiIn>();
template std::vector<SMidiPortId> CMidiSystems::ListAll<RtMidiOut>();

int CMidiSystems::FindPort(RtMidi& midi, RtMidi::Api api, const SMidiPortId& id) {
    const std::vector<SMidiPortId> ports = ListPorts(midi, api);
    // The exact name first: two ALSA ports may differ in their address alone.
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (ports[i] == id) {
            return static_cast<int>(i);
        }
    }
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (ports[i].Matches(id)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}
