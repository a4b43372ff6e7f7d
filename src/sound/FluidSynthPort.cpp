#include "sound/FluidSynthPort.h"

#include <fluidsynth.h>

#include <algorithm>
#include <filesystem>
#include <utility>

namespace {
constexpr const char* kSoundFontDir = "/usr/share/sounds/sf2";
constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";
constexpr std::uint32_t kResetMessage = 0xFF000000u;
constexpr int kResetAllControllers = 121;

void CollectOption(void* pData, const char* /*pName*/, const char* pOption) {
    static_cast<std::vector<std::string>*>(pData)->emplace_back(pOption);
}
} // namespace

CFluidSynthPort::CFluidSynthPort(EAudio eAudio, std::string soundFont)
    : m_eAudio(eAudio), m_soundFont(std::move(soundFont)) {}

CFluidSynthPort::~CFluidSynthPort() {
    Close();
    if (m_loader.joinable()) {
        m_loader.join();
    }
    if (m_pSynth != nullptr) {
        delete_fluid_synth(m_pSynth);
    }
    if (m_pSettings != nullptr) {
        delete_fluid_settings(m_pSettings);
    }
}

std::string CFluidSynthPort::FindSoundFont() {
    std::error_code ec;
    if (std::filesystem::is_regular_file(kDefaultSoundFont, ec)) {
        return kDefaultSoundFont;
    }
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(kSoundFontDir, ec)) {
        if (entry.path().extension() == ".sf2" && entry.is_regular_file(ec)) {
            found.push_back(entry.path().string());
        }
    }
    std::sort(found.begin(), found.end());
    return found.empty() ? std::string() : found.front();
}

bool CFluidSynthPort::CreateSynth() {
    if (m_pSynth != nullptr) {
        return true;
    }
    if (m_soundFont.empty()) {
        m_soundFont = FindSoundFont();
    }
    std::error_code ec;
    if (m_soundFont.empty() || !std::filesystem::is_regular_file(m_soundFont, ec)) {
        return false;
    }
    // The library reports its failures on stderr; here they are results, not messages.
    fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);

    m_pSettings = new_fluid_settings();
    if (m_pSettings == nullptr) {
        return false;
    }
    fluid_settings_setnum(m_pSettings, "synth.sample-rate", kSampleRate);
    // 2 x 128 frames at 48 kHz: 5.3 ms of buffering where the driver honours it.
    fluid_settings_setint(m_pSettings, "audio.period-size", kPeriodSize);
    fluid_settings_setint(m_pSettings, "audio.periods", kPeriods);
    m_pSynth = new_fluid_synth(m_pSettings);
    if (m_pSynth == nullptr) {
        delete_fluid_settings(m_pSettings);
        m_pSettings = nullptr;
        return false;
    }
    return true;
}

void CFluidSynthPort::LoadSoundFont() {
    const bool bLoaded = fluid_synth_sfload(m_pSynth, m_soundFont.c_str(), 1) != FLUID_FAILED;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (bLoaded) {
        for (const std::uint32_t dwMsg : m_backlog.Messages()) {
            Dispatch(dwMsg);
        }
    }
    m_bLoadFailed = !bLoaded;
    m_backlog.Clear();
    m_bLoaded = bLoaded;
}

bool CFluidSynthPort::CreateDriver() {
    if (m_eAudio == EAudio::None) {
        return true;
    }
    // PipeWire and PulseAudio servers first, then the sound card directly, then whatever else
    // this build of the library offers (never the file writer).
    std::vector<std::string> drivers = {"pulseaudio", "alsa"};
    std::vector<std::string> offered;
    fluid_settings_foreach_option(m_pSettings, "audio.driver", &offered, CollectOption);
    for (const std::string& name : offered) {
        if (name != "file" && std::find(drivers.begin(), drivers.end(), name) == drivers.end()) {
            drivers.push_back(name);
        }
    }
    for (const std::string& name : drivers) {
        if (std::find(offered.begin(), offered.end(), name) == offered.end()) {
            continue;
        }
        fluid_settings_setstr(m_pSettings, "audio.driver", name.c_str());
        m_pDriver = new_fluid_audio_driver(m_pSettings, m_pSynth);
        if (m_pDriver != nullptr) {
            m_driverName = name;
            return true;
        }
    }
    return false;
}

bool CFluidSynthPort::Open() {
    Close();
    if (!CreateSynth() || !CreateDriver()) {
        return false;
    }
    // The SoundFont loads once, behind the first Open; the audio is already running meanwhile.
    if (!m_bLoadStarted) {
        m_bLoadStarted = true;
        m_loader = std::thread(&CFluidSynthPort::LoadSoundFont, this);
    }
    // Without a SoundFont nothing can sound: the audio stops again and the device is free.
    if (m_bLoadFailed) {
        Close();
        return false;
    }
    m_bOpen = true;
    return true;
}

void CFluidSynthPort::Close() {
    if (m_pDriver != nullptr) {
        delete_fluid_audio_driver(m_pDriver);
        m_pDriver = nullptr;
    }
    m_driverName.clear();
    m_bOpen = false;
}

bool CFluidSynthPort::WaitUntilLoaded() {
    if (m_loader.joinable()) {
        m_loader.join();
    }
    return m_bLoaded;
}

void CFluidSynthPort::Reset() {
    SendShort(kResetMessage);
}

void CFluidSynthPort::SendShort(std::uint32_t dwMsg) {
    if (!m_bOpen) {
        return;
    }
    if (m_bLoaded.load(std::memory_order_acquire)) {
        Dispatch(dwMsg);
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bLoaded) {
        Dispatch(dwMsg);
    } else if (dwMsg == kResetMessage) {
        // Nothing has sounded yet: silencing means forgetting what waits.
        m_backlog.Clear();
    } else if (!m_bLoadFailed) {
        m_backlog.Push(dwMsg);
    }
}

void CFluidSynthPort::Dispatch(std::uint32_t dwMsg) {
    if (dwMsg == kResetMessage) {
        // Every voice stops at once (no release); controllers go back to their defaults. The
        // programs stay, as on a hardware synthesiser's reset; the effects' tail dies away.
        fluid_synth_all_sounds_off(m_pSynth, -1);
        for (int nChannel = 0; nChannel < 16; ++nChannel) {
            fluid_synth_cc(m_pSynth, nChannel, kResetAllControllers, 0);
        }
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

int CFluidSynthPort::GetActiveVoiceCount() {
    return m_pSynth != nullptr && m_bLoaded ? fluid_synth_get_active_voice_count(m_pSynth) : 0;
}

bool CFluidSynthPort::Render(std::vector<std::int16_t>& samples, int nFrames) {
    if (m_eAudio != EAudio::None || m_pSynth == nullptr || nFrames <= 0) {
        return false;
    }
    samples.assign(static_cast<std::size_t>(nFrames) * 2, 0);
    return fluid_synth_write_s16(m_pSynth, nFrames, samples.data(), 0, 2, samples.data(), 1, 2) ==
           FLUID_OK;
}
