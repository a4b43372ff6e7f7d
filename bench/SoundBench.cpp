// What the embedded synthesiser's output costs its audio thread per period: the guard alone, a
// chord rendered through the renderer, and a paused renderer (FluidSynth's own drivers keep
// asking while paused). "frames" counts stereo frames handled per second of CPU: 44,100 divided
// by it is the share of one core that playing in real time at 44.1 kHz takes.
//
// And the audio export of a 3-minute song of 16 tracks, played offline as playback plays it and
// written as WAV: "realtime" is how many times faster than the song lasts.
#include "midi/PlaybackSource.h"
#include "midi/Song.h"
#include "sound/AudioExporter.h"
#include "sound/FluidSynthPort.h"
#include "sound/PulseOutput.h"
#include "sound/SynthRenderer.h"

#include <benchmark/benchmark.h>
#include <fluidsynth.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
constexpr int kRate = 44100;
constexpr int kFrames = CPulseOutput::kPeriodFrames;

void CountFrames(benchmark::State& state) {
    state.counters["frames"] =
        benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

// A synthesiser with the system SoundFont and a renderer over it, ready to play.
class CLoadedSynth {
public:
    CLoadedSynth() {
        m_pSettings = new_fluid_settings();
        fluid_settings_setnum(m_pSettings, "synth.sample-rate", kRate);
        m_pSynth = new_fluid_synth(m_pSettings);
        const std::string soundFont = CFluidSynthPort::FindSoundFont();
        m_bLoaded = !soundFont.empty() &&
                    fluid_synth_sfload(m_pSynth, soundFont.c_str(), 1) != FLUID_FAILED;
        m_renderer.SetSynth(m_pSynth, kRate);
        m_renderer.SetReady();
    }
    ~CLoadedSynth() {
        delete_fluid_synth(m_pSynth);
        delete_fluid_settings(m_pSettings);
    }
    CLoadedSynth(const CLoadedSynth&) = delete;
    CLoadedSynth& operator=(const CLoadedSynth&) = delete;

    _fluid_hashtable_t* m_pSettings;
    _fluid_synth_t* m_pSynth;
    CSynthRenderer m_renderer;
    bool m_bLoaded = false;
};
} // namespace

void BM_GuardPeriod(benchmark::State& state) {
    std::vector<float> block(2 * kFrames);
    for (int i = 0; i < 2 * kFrames; ++i) {
        block[i] = 0.9f * std::sin(0.01f * static_cast<float>(i));
    }
    for (auto _ : state) {
        const auto guarded = CSynthRenderer::Guard(block.data(), block.data() + 1, 2, kFrames);
        benchmark::DoNotOptimize(guarded);
    }
    CountFrames(state);
}
BENCHMARK(BM_GuardPeriod);

void BM_RenderChordPeriod(benchmark::State& state) {
    CLoadedSynth synth;
    if (!synth.m_bLoaded) {
        state.SkipWithError("no SoundFont");
        return;
    }
    synth.m_renderer.Resume();
    std::vector<float> block(2 * kFrames);
    int nBlock = 0;
    for (auto _ : state) {
        // The chord pattern: a new chord every 0.8 s, each key held 0.5 s.
        const int nStep = nBlock++ % (kRate * 8 / 10 / kFrames);
        for (int nKey = 0; nKey < 3; ++nKey) {
            if (nStep == nKey * kRate / 10 / kFrames) {
                fluid_synth_noteon(synth.m_pSynth, 0, 60 + 4 * nKey, 127);
                synth.m_renderer.Touch();
            } else if (nStep == (nKey + 5) * kRate / 10 / kFrames) {
                fluid_synth_noteoff(synth.m_pSynth, 0, 60 + 4 * nKey);
                synth.m_renderer.Touch();
            }
        }
        benchmark::DoNotOptimize(
            synth.m_renderer.Render(block.data(), block.data() + 1, 2, kFrames));
    }
    CountFrames(state);
}
BENCHMARK(BM_RenderChordPeriod);

void BM_RenderPausedPeriod(benchmark::State& state) {
    CLoadedSynth synth;
    std::vector<float> block(2 * kFrames);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            synth.m_renderer.Render(block.data(), block.data() + 1, 2, kFrames));
    }
    CountFrames(state);
}
BENCHMARK(BM_RenderPausedPeriod);

namespace {
// A band of 16 instruments, one a channel (drums on 9), each playing a quarter note on every
// beat for 3 minutes at the default tempo (a quarter note of 384 ticks lasts 512 ms): some 31
// notes a second, each sounding on through its release.
constexpr double kSongSeconds = 180.0;
constexpr std::uint8_t kBand[16] = {0, 4, 24, 25, 32, 33, 40, 42, 48, 52, 56, 61, 65, 73, 80, 0};

void MakeSixteenTrackSong(CSong& song) {
    song.Reset();
    constexpr std::uint32_t kQuarter = CSong::kDefaultTicksPerQuarter;
    const auto nBeats = static_cast<int>(kSongSeconds * 1000 / 512);
    for (int nTrack = 0; nTrack < 16; ++nTrack) {
        const std::uint8_t nChannel = song.AddTrack(kBand[nTrack]);
        CTrack& track = song.m_tracks.back();
        for (int i = 0; i < nBeats; ++i) {
            CMidiEvent event;
            event.m_status = static_cast<std::uint8_t>(0x90 | nChannel);
            // Drums on a four-beat pattern, the others a line through the middle register.
            event.m_data1 = static_cast<std::uint8_t>(
                nChannel == 9 ? 35 + 3 * (i % 4) : 40 + (3 * nTrack + 5 * i) % 40);
            event.m_data2 = 100;
            event.m_nDelta = i == 0 ? 0 : kQuarter;
            event.m_nLength = kQuarter;
            track.m_events.push_back(std::move(event));
        }
    }
}
} // namespace

void BM_ExportSixteenTrackSong(benchmark::State& state) {
    const std::string soundFont = CFluidSynthPort::FindSoundFont();
    if (soundFont.empty()) {
        state.SkipWithError("no SoundFont");
        return;
    }
    CSong song;
    MakeSixteenTrackSong(song);
    const std::filesystem::path target = std::filesystem::temp_directory_path() /
                                         ("vorkeln-bench-" + std::to_string(::getpid()) + ".wav");
    CAudioExporter exporter(soundFont);
    std::atomic<bool> bCancel{false};
    for (auto _ : state) {
        CPlaybackSource source(song, true);
        if (exporter.Export(source, target, CAudioExporter::EFormat::Wav, bCancel) !=
            CAudioExporter::EResult::Done) {
            state.SkipWithError("the export failed");
            break;
        }
    }
    std::error_code ec;
    std::filesystem::remove(target, ec);
    state.counters["realtime"] =
        benchmark::Counter(kSongSeconds, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ExportSixteenTrackSong)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
