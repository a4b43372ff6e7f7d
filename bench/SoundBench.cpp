// What the embedded synthesiser's output costs its audio thread per period: the guard alone, a
// chord rendered through the renderer, and a paused renderer (FluidSynth's own drivers keep
// asking while paused). "frames" counts stereo frames handled per second of CPU: 44,100 divided
// by it is the share of one core that playing in real time at 44.1 kHz takes.
#include "sound/FluidSynthPort.h"
#include "sound/PulseOutput.h"
#include "sound/SynthRenderer.h"

#include <benchmark/benchmark.h>
#include <fluidsynth.h>

#include <cmath>
#include <string>
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
