#include "theory/ChordNamer.h"
#include "theory/ModeFlags.h"
#include "theory/Scale.h"
#include "theory/ScaleFinder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

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

// Naming what sounds, as the status bar does on every change: sets of n distinct notes over
// four octaves, drawn at random (most sets of five or more have no name and are spelt out).
void BM_ChordName(benchmark::State& state) {
    const auto nNotes = static_cast<std::size_t>(state.range(0));
    std::mt19937 random(22);
    std::vector<std::vector<std::uint8_t>> sets(512);
    for (std::vector<std::uint8_t>& notes : sets) {
        std::vector<std::uint8_t> pool;
        for (std::uint8_t n = 36; n < 84; ++n)
            pool.push_back(n);
        std::shuffle(pool.begin(), pool.end(), random);
        notes.assign(pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(nNotes));
    }
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CChordNamer::Name(sets[i]));
        i = (i + 1) % sets.size();
    }
}
BENCHMARK(BM_ChordName)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Arg(6)->Arg(12);

// Every pitch-class set with every bass in turn: the worst case is among them.
void BM_ChordNameEverySet(benchmark::State& state) {
    unsigned wSet = 1;
    int nBass = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CChordNamer::Name(static_cast<std::uint16_t>(wSet), nBass));
        wSet = wSet == 0xFFF ? 1 : wSet + 1;
        nBass = (nBass + 1) % 12;
    }
}
BENCHMARK(BM_ChordNameEverySet);

// The scale finder follows the notes as they change: a triad, and a single note (the longest
// list).
void BM_FindScales(benchmark::State& state) {
    const auto wSet = static_cast<std::uint16_t>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(CScaleFinder::Find(wSet, 0));
}
BENCHMARK(BM_FindScales)->Arg(0x091)->Arg(0x001);

} // namespace
