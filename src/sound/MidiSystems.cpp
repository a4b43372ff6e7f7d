#include "sound/MidiSystems.h"

#include "sound/RtMidiPort.h"

#ifdef VORKELN_HAVE_JACK
#include <jack/jack.h>
#endif

#include <atomic>
#include <chrono>
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
        // A server that answered a moment ago is taken to be there still: asking costs a
        // client of its own, about as long as opening the port itself.
        using Clock = std::chrono::steady_clock;
        static std::atomic<Clock::rep> s_nAnswered{0};
        const Clock::rep nNow = Clock::now().time_since_epoch().count();
        const Clock::rep nKept =
            std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(5)).count();
        const Clock::rep nAnswered = s_nAnswered.load();
        if (nAnswered != 0 && nNow - nAnswered < nKept) {
            return true;
        }
        jack_set_error_function(IgnoreJackMessage);
        jack_set_info_function(IgnoreJackMessage);
        jack_client_t* pClient = jack_client_open("Vorkeln", JackNoStartServer, nullptr);
        if (pClient == nullptr) {
            s_nAnswered = 0;
            return false;
        }
        jack_client_close(pClient);
        s_nAnswered = nNow;
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

bool CMidiSystems::IsListed(RtMidi& midi, const SMidiPortId& id) {
    return FindPort(midi, RtMidi::getCompiledApiByName(id.m_api), id) >= 0;
}

template <class TMidi>
std::unique_ptr<TMidi> CMidiSystems::OpenPort(const SMidiPortId& id, const char* pszOwnPort,
                                              const std::function<void(TMidi&)>& fnPrepare) {
    const RtMidi::Api api = RtMidi::getCompiledApiByName(id.m_api);
    if (api == RtMidi::UNSPECIFIED) {
        return nullptr;
    }
    auto pMidi = MakeClient<TMidi>(api);
    if (pMidi == nullptr) {
        return nullptr;
    }
    try {
        const int nPort = FindPort(*pMidi, api, id);
        if (nPort < 0) {
            return nullptr;
        }
        if (fnPrepare) {
            fnPrepare(*pMidi);
        }
        pMidi->openPort(static_cast<unsigned>(nPort), pszOwnPort);
        if (!pMidi->isPortOpen()) {
            return nullptr;
        }
    } catch (const RtMidiError&) {
        return nullptr;
    }
    return pMidi;
}

template std::unique_ptr<RtMidiIn>
CMidiSystems::OpenPort<RtMidiIn>(const SMidiPortId&, const char*,
                                 const std::function<void(RtMidiIn&)>&);
template std::unique_ptr<RtMidiOut>
CMidiSystems::OpenPort<RtMidiOut>(const SMidiPortId&, const char*,
                                  const std::function<void(RtMidiOut&)>&);
