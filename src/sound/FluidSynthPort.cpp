#include "sound/FluidSynthPort.h"

#include <fluidsynth.h>

#include <filesystem>

namespace {
constexpr const char* kSoundFontDir = "/usr/share/sounds/sf2";
constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";
} // namespace

CFluidSynthPort::CFluidSynthPort() = default;

CFluidSynthPort::~CFluidSynthPort() {
    Close();
}

std::string CFluidSynthPort::FindSoundFont() {
    std::error_code ec;
    if (std::filesystem::exists(kDefaultSoundFont, ec)) {
        return kDefaultSoundFont;
    }
    for (const auto& entry : std::filesystem::directory_iterator(kSoundFontDir, ec)) {
        if (entry.path().extension() == ".sf2") {
            return entry.path().string();
        }
    }
    return {};
}

bool CFluidSynthPort::Open() {
    Close();
    const std::string soundFont = FindSoundFont();
    if (soundFont.empty()) {
        return false;
    }
    m_pSettings = new_fluid_settings();
    m_pSynth = new_fluid_synth(m_pSettings);
    if (m_pSynth == nullptr || fluid_synth_sfload(m_pSynth, soundFont.c_str(), 1) == FLUID_FAILED) {
        Close();
        return false;
    }
    m_pDriver = new_fluid_audio_driver(m_pSettings, m_pSynth);
    return true;
}

void CFluidSynthPort::Reset() {
    if (m_pSynth != nullptr) {
        fluid_synth_system_reset(m_pSynth);
    }
}

void CFluidSynthPort::Close() {
    if (m_pDriver != nullptr) {
        delete_fluid_audio_driver(m_pDriver);
        m_pDriver = nullptr;
    }
    if (m_pSynth != nullptr) {
        delete_fluid_synth(m_pSynth);
        m_pSynth = nullptr;
    }
    if (m_pSettings != nullptr) {
        delete_fluid_settings(m_pSettings);
        m_pSettings = nullptr;
    }
}

void CFluidSynthPort::SendShort(std::uint32_t dwMsg) {
    if (m_pSynth == nullptr) {
        return;
    }
    const int nStatus = static_cast<int>(dwMsg & 0xF0u);
    const int nChannel = static_cast<int>(dwMsg & 0x0Fu);
    const int nData1 = static_cast<int>((dwMsg >> 8) & 0x7Fu);
    const int nData2 = static_cast<int>((dwMsg >> 16) & 0x7Fu);
    switch (nStatus) {
    case 0x80:
        fluid_synth_noteoff(m_pSynth, nChannel, nData1);
        break;
    case 0x90:
        fluid_synth_noteon(m_pSynth, nChannel, nData1, nData2);
        break;
    case 0xA0:
        fluid_synth_key_pressure(m_pSynth, nChannel, nData1, nData2);
        break;
    case 0xB0:
        fluid_synth_cc(m_pSynth, nChannel, nData1, nData2);
        break;
    case 0xC0:
        fluid_synth_program_change(m_pSynth, nChannel, nData1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(m_pSynth, nChannel, nData1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(m_pSynth, nChannel, nData1 | (nData2 << 7));
        break;
    default:
        break;
    }
}
