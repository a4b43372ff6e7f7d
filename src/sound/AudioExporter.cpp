#include "sound/AudioExporter.h"

#include "midi/TickSource.h"
#include "sound/FluidSynthPort.h"
#include "sound/SynthRenderer.h"

#include <fluidsynth.h>
#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr int kFramesPerTick = CAudioExporter::kSampleRate * ITickSource::kTickMilliseconds / 1000;

int FormatOf(CAudioExporter::EFormat eFormat) {
    return (eFormat == CAudioExporter::EFormat::Flac ? SF_FORMAT_FLAC : SF_FORMAT_WAV) |
           SF_FORMAT_PCM_16;
}

// A name beside target that no other export picks at the same time.
std::filesystem::path TemporaryBeside(const std::filesystem::path& target) {
    std::random_device device;
    const unsigned nTag = device();
    char szTag[16];
    std::snprintf(szTag, sizeof szTag, "%08x", nTag);
    return target.parent_path() /
           (".vorkeln-export-" + std::string(szTag) + ".tmp" + target.extension().string());
}

// The open file being written, removed unless it was kept.
class CPartialFile {
public:
    CPartialFile(std::filesystem::path path, int nFormat) : m_path(std::move(path)) {
        SF_INFO info{};
        info.samplerate = CAudioExporter::kSampleRate;
        info.channels = 2;
        info.format = nFormat;
        errno = 0;
        m_pFile = sf_open(m_path.c_str(), SFM_WRITE, &info);
        m_nOpenErrno = errno;
    }
    ~CPartialFile() {
        if (m_pFile != nullptr) {
            sf_close(m_pFile);
        }
        if (!m_bKept) {
            std::error_code ec;
            std::filesystem::remove(m_path, ec);
        }
    }
    CPartialFile(const CPartialFile&) = delete;
    CPartialFile& operator=(const CPartialFile&) = delete;

    bool IsOpen() const { return m_pFile != nullptr; }
    int GetOpenErrno() const { return m_nOpenErrno; }
    bool Write(const float* pFrames, int nFrames) {
        return sf_writef_float(m_pFile, pFrames, nFrames) == nFrames;
    }
    // Completes the file and puts it in place of target.
    std::error_code KeepAs(const std::filesystem::path& target) {
        const int nClosed = sf_close(m_pFile);
        m_pFile = nullptr;
        if (nClosed != 0) {
            return std::make_error_code(std::errc::io_error);
        }
        std::error_code ec;
        std::filesystem::rename(m_path, target, ec);
        m_bKept = !ec;
        return ec;
    }

private:
    std::filesystem::path m_path;
    SNDFILE* m_pFile = nullptr;
    int m_nOpenErrno = 0;
    bool m_bKept = false;
};

} // namespace

bool CAudioExporter::CanWrite(EFormat eFormat) {
    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = 2;
    info.format = FormatOf(eFormat);
    return sf_format_check(&info) != 0;
}

CAudioExporter::CAudioExporter(std::string soundFont) : m_soundFont(std::move(soundFont)) {}

CAudioExporter::~CAudioExporter() {
    if (m_pSynth != nullptr) {
        delete_fluid_synth(m_pSynth);
    }
    if (m_pSettings != nullptr) {
        delete_fluid_settings(m_pSettings);
    }
}

bool CAudioExporter::Load() {
    if (m_pSynth != nullptr) {
        return m_bLoaded;
    }
    m_pSettings = new_fluid_settings();
    if (m_pSettings == nullptr) {
        return false;
    }
    fluid_settings_setnum(m_pSettings, "synth.sample-rate", kSampleRate);
    // One thread calls it at a time: the locks the live synthesiser needs would only cost.
    fluid_settings_setint(m_pSettings, "synth.threadsafe-api", 0);
    // The voices are shared out over the cores; the live synthesiser keeps to one thread.
    fluid_settings_setint(m_pSettings, "synth.cpu-cores",
                          static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u,
                                                      static_cast<unsigned>(kMaxCores))));
    m_pSynth = new_fluid_synth(m_pSettings);
    std::error_code ec;
    m_bLoaded = m_pSynth != nullptr && !m_soundFont.empty() &&
                std::filesystem::is_regular_file(m_soundFont, ec) &&
                fluid_synth_sfload(m_pSynth, m_soundFont.c_str(), 1) != FLUID_FAILED;
    return m_bLoaded;
}

CAudioExporter::EResult CAudioExporter::Export(ITickSource& source,
                                               const std::filesystem::path& target, EFormat eFormat,
                                               const std::atomic<bool>& bCancel,
                                               const ProgressHandler& fnProgress) {
    m_error.clear();
    m_nFrames = 0;
    if (!Load()) {
        return EResult::NoSoundFont;
    }
    // Each export starts from a silent synthesiser with its controllers at rest.
    CFluidSynthPort::DispatchTo(m_pSynth, 0xFF000000u);
    fluid_synth_system_reset(m_pSynth);

    CPartialFile file(TemporaryBeside(target), FormatOf(eFormat));
    if (!file.IsOpen()) {
        m_error = std::error_code(file.GetOpenErrno() != 0 ? file.GetOpenErrno() : EIO,
                                  std::generic_category());
        return EResult::WriteFailed;
    }

    std::vector<float> block(2 * static_cast<std::size_t>(kFramesPerTick));
    std::int64_t nFrames = 0;
    // One tick's sound; false when it could not be written.
    const auto renderTick = [&](float& fPeak) {
        fluid_synth_write_float(m_pSynth, kFramesPerTick, block.data(), 0, 2, block.data(), 1, 2);
        fPeak = CSynthRenderer::Guard(block.data(), block.data() + 1, 2, kFramesPerTick).m_fPeak;
        nFrames += kFramesPerTick;
        return file.Write(block.data(), kFramesPerTick);
    };

    const std::uint64_t nExpected = source.GetExpectedTicks();
    std::uint64_t nTicks = 0;
    int nPercentTold = -1;
    std::vector<std::uint32_t> messages;
    float fPeak = 0.0f;
    while (source.NextTick(messages)) {
        for (const std::uint32_t dwMsg : messages) {
            CFluidSynthPort::DispatchTo(m_pSynth, dwMsg);
        }
        messages.clear();
        if (!renderTick(fPeak)) {
            m_error = std::make_error_code(std::errc::io_error);
            return EResult::WriteFailed;
        }
        if (bCancel.load(std::memory_order_relaxed)) {
            return EResult::Cancelled;
        }
        ++nTicks;
        if (fnProgress && nExpected > 0) {
            const int nPercent =
                static_cast<int>(std::min<std::uint64_t>(nTicks * 100 / nExpected, 99));
            if (nPercent != nPercentTold) {
                nPercentTold = nPercent;
                fnProgress(nPercent / 100.0);
            }
        }
    }

    // The release of the last notes and the effects' echo, until quiet for a while.
    const std::int64_t nMaxTail = static_cast<std::int64_t>(kMaxTailSeconds * kSampleRate);
    const std::int64_t nQuietEnd = static_cast<std::int64_t>(kQuietEndSeconds * kSampleRate);
    std::int64_t nTail = 0;
    std::int64_t nQuiet = 0;
    while (nTail < nMaxTail && nQuiet < nQuietEnd) {
        if (!renderTick(fPeak)) {
            m_error = std::make_error_code(std::errc::io_error);
            return EResult::WriteFailed;
        }
        if (bCancel.load(std::memory_order_relaxed)) {
            return EResult::Cancelled;
        }
        nTail += kFramesPerTick;
        const bool bQuiet = fPeak < CSynthRenderer::kQuietLevel &&
                            fluid_synth_get_active_voice_count(m_pSynth) == 0;
        nQuiet = bQuiet ? nQuiet + kFramesPerTick : 0;
    }

    m_error = file.KeepAs(target);
    if (m_error) {
        return EResult::WriteFailed;
    }
    m_nFrames = nFrames;
    if (fnProgress) {
        fnProgress(1.0);
    }
    return EResult::Done;
}
