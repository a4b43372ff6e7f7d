#include "sound/FluidDriverOutput.h"

#include "sound/SynthRenderer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <vector>

namespace {
void CollectOption(void* pData, const char* /*pName*/, const char* pOption) {
    static_cast<std::vector<std::string>*>(pData)->emplace_back(pOption);
}
} // namespace

std::unique_ptr<CFluidDriverOutput> CFluidDriverOutput::Open(_fluid_hashtable_t* pSettings,
                                                             CSynthRenderer& renderer) {
    std::vector<std::string> drivers = {"pulseaudio", "alsa"};
    std::vector<std::string> offered;
    fluid_settings_foreach_option(pSettings, "audio.driver", &offered, CollectOption);
    for (const std::string& name : offered) {
        if (name != "file" && std::find(drivers.begin(), drivers.end(), name) == drivers.end()) {
            drivers.push_back(name);
        }
    }
    std::unique_ptr<CFluidDriverOutput> pOutput(new CFluidDriverOutput(renderer));
    for (const std::string& name : drivers) {
        if (std::find(offered.begin(), offered.end(), name) == offered.end()) {
            continue;
        }
        fluid_settings_setstr(pSettings, "audio.driver", name.c_str());
        pOutput->m_pDriver = new_fluid_audio_driver2(pSettings, OnAudio, pOutput.get());
        if (pOutput->m_pDriver != nullptr) {
            pOutput->m_driverName = name;
            return pOutput;
        }
    }
    return nullptr;
}

CFluidDriverOutput::~CFluidDriverOutput() {
    if (m_pDriver != nullptr) {
        delete_fluid_audio_driver(m_pDriver);
    }
}

void CFluidDriverOutput::Wake() {
    // The driver asks again within a period; it then gets sound.
    m_renderer.Resume();
}

int CFluidDriverOutput::OnAudio(void* pData, int nFrames, int /*nFx*/, float* /*fx*/[], int nOut,
                                float* out[]) {
    // The buffers come zeroed; effects buffers, where a driver hands them, stay so, as the
    // synthesiser's own mix already holds the effects.
    if (nOut < 2) {
        return FLUID_OK;
    }
    static_cast<CFluidDriverOutput*>(pData)->m_renderer.Render(out[0], out[1], 1, nFrames);
    return FLUID_OK;
}
