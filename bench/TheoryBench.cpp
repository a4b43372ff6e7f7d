#include "theory/ModeFlags.h"
#include "theory/Scale.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

constexpr std::uint32_t SizedFlags(std::uint32_t dwKeys, std::uint32_t nSize,
                                   std::uint32_t nInversion) {
    return dwKeys | (nSize << kChordSizeShift) | (nInversion << kInversionShift);
}

// Builds one chord per iteration on a root that walks through every note.
void BuildChords(benchmark::State& state, std::uint32_t dwFlags) {
    CScale scale;
    std::uint8_t nRoot = 0;
    for (auto _ : state) {
        const std::uint8_t* pNotes = nullptr;
        std::uint8_t nCount = 0;
        scale.BuildChord(pNotes, nCount, nRoot, dwFlags);
        benchmark::DoNotOptimize(pNotes);
        benchmark::DoNotOptimize(nCount);
        nRoot = static_cast<std::uint8_t>((nRoot + 1) & 0x7F);
    }
}

// One chord per played key, as chord mode does on every note.
void BM_BuildChordTriad(benchmark::State& state) {
    BuildChords(state, SizedFlags(1u << 18, 3, 0));
}
BENCHMARK(BM_BuildChordTriad);

// The largest chord: six tones, doubled root, inversion, white only.
void BM_BuildChordSixTonesWhiteOnly(benchmark::State& state) {
    BuildChords(state, SizedFlags((1u << 16) | (1u << 21), 6, 3) | kFlagWhiteOnly);
}
BENCHMARK(BM_BuildChordSixTonesWhiteOnly);

// Transposing moves only the keynote.
void BM_NavigateTranspose(benchmark::State& state) {
    CScale scale;
    for (auto _ : state)
        benchmark::DoNotOptimize(scale.Navigate(6, 0));
}
BENCHMARK(BM_NavigateTranspose);

// A mode change rebuilds the pattern and its thirds.
void BM_NavigateChangeMode(benchmark::State& state) {
    CScale scale;
    // A fifth up then a fifth down: major to Lydian and back, so no move is refused.
    std::uint8_t nCode = 6;
    for (auto _ : state) {
        benchmark::DoNotOptimize(scale.Navigate(nCode, kFlagNavChangesMode));
        nCode = nCode == 6 ? 4 : 6;
    }
}
BENCHMARK(BM_NavigateChangeMode);

// Resizing the chain of fifths rebuilds the whole pattern.
void BM_NavigateResizeFifths(benchmark::State& state) {
    CScale scale;
    std::uint8_t nCode = CScale::kNavMoreFifths;
    for (auto _ : state) {
        if (!scale.Navigate(nCode, 0))
            nCode =
                nCode == CScale::kNavMoreFifths ? CScale::kNavFewerFifths : CScale::kNavMoreFifths;
        benchmark::DoNotOptimize(scale.m_third);
    }
}
BENCHMARK(BM_NavigateResizeFifths);

} // namespace
