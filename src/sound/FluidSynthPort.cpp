#include "sound/FluidSynthPort.h"

#include "files/FileResult.h"
#include "sound/FluidDriverOutput.h"
#ifdef VORKELN_HAVE_PULSE
#include "sound/PulseOutput.h"
#endif

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

namespace {
constexpr const char* kSoundFontDir = "/usr/share/sounds/sf2";
constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";
constexpr std::uint32_t kResetMessage = 0xFF000000u;
constexpr int kResetAllControllers = 121;
constexpr float kFullScale = 32767.0f;
constexpr int kChannels = 16;
// A SoundFont is a RIFF file of form "sfbk": four bytes of id, four of length, four of form.
constexpr std::size_t kRiffHeaderSize = 12;

// What the library says of the failure it meets, on the thread that asked it to load.
thread_local std::string* t_pLoadErrors = nullptr;

void CaptureError(int /*nLevel*/, const char* pszMessage, void* /*pData*/) {
    if (t_pLoadErrors != nullptr && pszMessage != nullptr) {
        *t_pLoadErrors = pszMessage;
    }
}

std::uint32_t LittleEndian32(const unsigned char* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}
} // namespace

CFluidSynthPort::CFluidSynthPort(EAudio eAudio, std::string soundFont)
    : m_eAudio(eAudio), m_soundFont(std::move(soundFont)) {}

CFluidSynthPort::~CFluidSynthPort() {
    if (m_loader.joinable()) {
        m_loader.join();
    }
    m_queuedPath.clear();
    WaitForSoundFontChange();
    if (m_pReplacement != nullptr) {
        delete_fluid_synth(m_pReplacement);
    }
    if (m_reaper.joinable()) {
        m_reaper.join();
    }
    Close();
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

bool CFluidSynthPort::CreateSynth(int nSampleRate) {
    if (m_pSynth != nullptr) {
        return true;
    }
    // The library reports its failures on stderr; here they are results, not messages.
    fluid_set_log_function(FLUID_ERR, CaptureError, nullptr);
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);

    m_pSettings = new_fluid_settings();
    if (m_pSettings == nullptr) {
        return false;
    }
    fluid_settings_setnum(m_pSettings, "synth.sample-rate", nSampleRate);
    fluid_settings_setint(m_pSettings, "audio.period-size", kPeriodSize);
    fluid_settings_setint(m_pSettings, "audio.periods", kPeriods);
    m_pSynth = new_fluid_synth(m_pSettings);
    if (m_pSynth == nullptr) {
        delete_fluid_settings(m_pSettings);
        m_pSettings = nullptr;
        return false;
    }
    m_nSampleRate = nSampleRate;
    m_renderer.SetSynth(m_pSynth, nSampleRate);
    return true;
}

void CFluidSynthPort::LoadSoundFont() {
    const bool bLoaded = fluid_synth_sfload(m_pSynth, m_soundFont.c_str(), 1) != FLUID_FAILED;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (bLoaded) {
        for (const std::uint32_t dwMsg : m_backlog.Messages()) {
            Dispatch(dwMsg);
        }
        m_renderer.SetReady();
        if (!m_backlog.Messages().empty()) {
            Touch();
        }
    }
    m_bLoadFailed = !bLoaded;
    m_backlog.Clear();
    m_bLoaded = bLoaded;
}

bool CFluidSynthPort::OpenOutput() {
    std::unique_ptr<IAudioOutput> pOutput;
#ifdef VORKELN_HAVE_PULSE
    // At the server's own rate unless the synthesiser already runs at one.
    auto pPulse = CPulseOutput::Open(m_renderer, m_nSampleRate);
    if (pPulse != nullptr && CreateSynth(pPulse->GetSampleRate())) {
        pOutput = std::move(pPulse);
    }
#endif
    if (pOutput == nullptr) {
        if (!CreateSynth(kSampleRate)) {
            return false;
        }
        pOutput = CFluidDriverOutput::Open(m_pSettings, m_renderer);
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_pOutput = std::move(pOutput);
    return m_pOutput != nullptr;
}

bool CFluidSynthPort::Open() {
    Close();
    if (m_soundFont.empty()) {
        m_soundFont = FindSoundFont();
    }
    std::error_code ec;
    if (m_bLoadFailed || m_soundFont.empty() ||
        !std::filesystem::is_regular_file(m_soundFont, ec)) {
        return false;
    }
    if (m_eAudio == EAudio::None ? !CreateSynth(kSampleRate) : !OpenOutput()) {
        return false;
    }
    // The SoundFont loads once, behind the first Open; the output stays silent meanwhile.
    if (!m_bLoadStarted) {
        m_bLoadStarted = true;
        m_loader = std::thread(&CFluidSynthPort::LoadSoundFont, this);
    }
    // Without a SoundFont nothing can sound: the output stops again and the device is free.
    if (m_bLoadFailed) {
        Close();
        return false;
    }
    m_bOpen = true;
    return true;
}

void CFluidSynthPort::Close() {
    {
        // The loader may be waking the output right now.
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_pOutput.reset();
    }
    m_renderer.Pause();
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
        Touch();
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bLoaded) {
        Dispatch(dwMsg);
        Touch();
    } else if (dwMsg == kResetMessage) {
        // Nothing has sounded yet: silencing means forgetting what waits.
        m_backlog.Clear();
    } else if (!m_bLoadFailed) {
        m_backlog.Push(dwMsg);
    }
}

void CFluidSynthPort::Touch() {
    if (!m_renderer.Touch()) {
        return;
    }
    if (m_pOutput != nullptr) {
        m_pOutput->Wake();
    } else if (m_eAudio == EAudio::None) {
        // Without an output the owner pulls the next block itself.
        m_renderer.Resume();
    }
}

void CFluidSynthPort::Dispatch(std::uint32_t dwMsg) {
    DispatchTo(m_pSynth, dwMsg);
}

void CFluidSynthPort::DispatchTo(_fluid_synth_t* pSynth, std::uint32_t dwMsg) {
    if (dwMsg == kResetMessage) {
        // Every voice stops at once (no release); controllers go back to their defaults. The
        // programs stay, as on a hardware synthesiser's reset; the effects' tail dies away.
        fluid_synth_all_sounds_off(pSynth, -1);
        for (int nChannel = 0; nChannel < 16; ++nChannel) {
            fluid_synth_cc(pSynth, nChannel, kResetAllControllers, 0);
        }
        return;
    }
    const int nStatus = static_cast<int>(dwMsg & 0xF0u);
    const int nChannel = static_cast<int>(dwMsg & 0x0Fu);
    const int nData1 = static_cast<int>((dwMsg >> 8) & 0x7Fu);
    const int nData2 = static_cast<int>((dwMsg >> 16) & 0x7Fu);
    switch (nStatus) {
    case 0x80:
        fluid_synth_noteoff(pSynth, nChannel, nData1);
        break;
    case 0x90:
        fluid_synth_noteon(pSynth, nChannel, nData1, nData2);
        break;
    case 0xA0:
        fluid_synth_key_pressure(pSynth, nChannel, nData1, nData2);
        break;
    case 0xB0:
        fluid_synth_cc(pSynth, nChannel, nData1, nData2);
        break;
    case 0xC0:
        fluid_synth_program_change(pSynth, nChannel, nData1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(pSynth, nChannel, nData1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(pSynth, nChannel, nData1 | (nData2 << 7));
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
    std::vector<float> block(static_cast<std::size_t>(nFrames) * 2);
    m_renderer.Render(block.data(), block.data() + 1, 2, nFrames);
    samples.resize(block.size());
    std::transform(block.begin(), block.end(), samples.begin(), [](float fSample) {
        return static_cast<std::int16_t>(std::lround(fSample * kFullScale));
    });
    return true;
}

std::string CFluidSynthPort::GetSoundPath() const {
    return m_pOutput != nullptr ? m_pOutput->GetName() : std::string();
}

double CFluidSynthPort::GetOutputLatencyMs() const {
    return m_pOutput != nullptr ? m_pOutput->GetLatencyMs() : -1.0;
}

std::string CFluidSynthPort::CheckSoundFontFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return "it is a folder";
    }
    if (const CFileResult result = CFileResult::CheckPlainFile(path, EFileError::NotSoundFont);
        !result) {
        return result.GetReason();
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return CFileResult::NotOpened().GetReason();
    }
    std::array<unsigned char, kRiffHeaderSize> header{};
    file.read(reinterpret_cast<char*>(header.data()), header.size());
    if (static_cast<std::size_t>(file.gcount()) != header.size() ||
        std::memcmp(header.data(), "RIFF", 4) != 0 ||
        std::memcmp(header.data() + 8, "sfbk", 4) != 0) {
        return CFileResult(EFileError::NotSoundFont).GetReason();
    }
    const std::uintmax_t nSize = std::filesystem::file_size(path, ec);
    const std::uintmax_t nWanted = std::uintmax_t{LittleEndian32(header.data() + 4)} + 8;
    if (ec || nSize < nWanted) {
        return "truncated (" + std::to_string(nSize) + " of " + std::to_string(nWanted) + " bytes)";
    }
    return {};
}

void CFluidSynthPort::ChangeSoundFont(const std::string& path) {
    if (m_bChanging || (m_bLoadStarted && !m_bLoaded && !m_bLoadFailed)) {
        // Loading now: the last one asked for comes next.
        m_queuedPath = path;
        return;
    }
    StartChange(path);
}

void CFluidSynthPort::StartChange(const std::string& path) {
    m_changePath = path;
    m_changeError.clear();
    m_bChangeDone = false;
    if (m_pSynth == nullptr) {
        // Nothing loaded yet: the first Open loads this one.
        m_changeError = CheckSoundFontFile(path);
        if (m_changeError.empty()) {
            m_soundFont = path;
        }
        m_soundFontResult = SSoundFontResult{path, m_changeError};
        return;
    }
    m_bChanging = true;
    m_changer = std::thread(&CFluidSynthPort::LoadReplacement, this);
}

void CFluidSynthPort::LoadReplacement() {
    std::string error = CheckSoundFontFile(m_changePath);
    _fluid_synth_t* pSynth = nullptr;
    if (error.empty()) {
        pSynth = new_fluid_synth(m_pSettings);
        std::string loadError;
        t_pLoadErrors = &loadError;
        if (pSynth == nullptr) {
            error = "the synthesiser could not be made";
        } else if (fluid_synth_sfload(pSynth, m_changePath.c_str(), 1) == FLUID_FAILED) {
            error = loadError.empty() ? "the synthesiser cannot read it" : loadError;
            delete_fluid_synth(pSynth);
            pSynth = nullptr;
        }
        t_pLoadErrors = nullptr;
    }
    m_pReplacement = pSynth;
    m_changeError = std::move(error);
    m_bChangeDone.store(true, std::memory_order_release);
}

void CFluidSynthPort::PutReplacementInPlace() {
    _fluid_synth_t* pOld = m_pSynth;
    _fluid_synth_t* pNew = std::exchange(m_pReplacement, nullptr);
    // Every channel keeps its instrument; what sounded on the old synthesiser ends here.
    for (int nChannel = 0; nChannel < kChannels; ++nChannel) {
        int nFont = 0;
        int nBank = 0;
        int nProgram = 0;
        if (fluid_synth_get_program(pOld, nChannel, &nFont, &nBank, &nProgram) == FLUID_OK) {
            fluid_synth_bank_select(pNew, nChannel, nBank);
            fluid_synth_program_change(pNew, nChannel, nProgram);
        }
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_renderer.SwapSynth(pNew);
        m_pSynth = pNew;
        m_bLoadFailed = false;
        m_backlog.Clear();
        m_bLoaded = true;
    }
    m_renderer.SetReady();
    m_soundFont = m_changePath;
    if (m_reaper.joinable()) {
        m_reaper.join();
    }
    m_reaper = std::thread([pOld] { delete_fluid_synth(pOld); });
}

void CFluidSynthPort::Poll() {
    if (!m_bChanging || !m_bChangeDone.load(std::memory_order_acquire)) {
        if (!m_bChanging && !m_queuedPath.empty() &&
            (m_bLoaded || m_bLoadFailed || !m_bLoadStarted)) {
            StartChange(std::exchange(m_queuedPath, std::string()));
        }
        return;
    }
    WaitForSoundFontChange();
    m_bChanging = false;
    // The first load may still be under way only if nothing was loaded when the change began.
    if (m_changeError.empty() && m_pReplacement != nullptr) {
        PutReplacementInPlace();
    }
    m_soundFontResult = SSoundFontResult{m_changePath, m_changeError};
    if (!m_queuedPath.empty()) {
        StartChange(std::exchange(m_queuedPath, std::string()));
    }
}

std::optional<CFluidSynthPort::SSoundFontResult> CFluidSynthPort::TakeSoundFontResult() {
    return std::exchange(m_soundFontResult, std::nullopt);
}

void CFluidSynthPort::WaitForSoundFontChange() {
    if (m_changer.joinable()) {
        m_changer.join();
    }
}
