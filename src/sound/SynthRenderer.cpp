#include "sound/SynthRenderer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>

namespace {
void Silence(float* pLeft, float* pRight, int nStride, int nFrames) {
    for (int i = 0; i < nFrames; ++i) {
        pLeft[i * nStride] = 0.0f;
        pRight[i * nStride] = 0.0f;
    }
}
} // namespace

void CSynthRenderer::SetSynth(_fluid_synth_t* pSynth, int nSampleRate) {
    m_pSynth = pSynth;
    m_nQuietLimit = static_cast<std::int64_t>(kQuietSeconds * nSampleRate);
}

void CSynthRenderer::SwapSynth(_fluid_synth_t* pSynth) {
    const std::lock_guard<std::mutex> lock(m_synthMutex);
    m_pSynth = pSynth;
}

void CSynthRenderer::SetReady() {
    m_bReady.store(true);
}

bool CSynthRenderer::Touch() {
    // Paired with the pause in TrackQuiet: either this sees the pause, or the pause sees the
    // message and is taken back.
    m_nSerial.fetch_add(1);
    return m_bPaused.load();
}

bool CSynthRenderer::Resume() {
    return m_bPaused.exchange(false);
}

CSynthRenderer::SGuarded CSynthRenderer::Guard(float* pLeft, float* pRight, int nStride,
                                               int nFrames) {
    SGuarded guarded;
    for (int i = 0; i < nFrames; ++i) {
        for (float* pSample : {pLeft + i * nStride, pRight + i * nStride}) {
            const float fSample = *pSample;
            if (!std::isfinite(fSample)) {
                // A number that is not one spoils its neighbours too (they came from the same
                // state): the whole block goes.
                Silence(pLeft, pRight, nStride, nFrames);
                return {false, 0.0f};
            }
            *pSample = std::clamp(fSample, -kCeiling, kCeiling);
            guarded.m_fPeak = std::max(guarded.m_fPeak, std::fabs(*pSample));
        }
    }
    return guarded;
}

bool CSynthRenderer::Render(float* pLeft, float* pRight, int nStride, int nFrames) {
    if (nFrames <= 0) {
        return !m_bPaused.load();
    }
    if (m_bPaused.load()) {
        Silence(pLeft, pRight, nStride, nFrames);
        return false;
    }
    const std::uint64_t nSerial = m_nSerial.load();
    // Held for a moment only, while another synthesiser is put in place: that block is silence
    // rather than a wait on the device's thread.
    const std::unique_lock<std::mutex> lock(m_synthMutex, std::try_to_lock);
    if (!lock.owns_lock()) {
        Silence(pLeft, pRight, nStride, nFrames);
        return true;
    }
    if (m_pSynth == nullptr || !m_bReady.load()) {
        Silence(pLeft, pRight, nStride, nFrames);
        return TrackQuiet(0.0f, nFrames, nSerial);
    }
    fluid_synth_write_float(m_pSynth, nFrames, pLeft, 0, nStride, pRight, 0, nStride);
    const SGuarded guarded = Guard(pLeft, pRight, nStride, nFrames);
    if (!guarded.m_bFinite) {
        m_nSilencedBlocks.fetch_add(1);
    }
    return TrackQuiet(guarded.m_fPeak, nFrames, nSerial);
}

bool CSynthRenderer::TrackQuiet(float fPeak, int nFrames, std::uint64_t nSerial) {
    if (nSerial != m_nSeenSerial || fPeak >= kQuietLevel) {
        m_nSeenSerial = nSerial;
        m_nQuietFrames = 0;
        return true;
    }
    m_nQuietFrames += nFrames;
    if (m_nQuietFrames < m_nQuietLimit) {
        return true;
    }
    m_nQuietFrames = 0;
    // Asked only now, as the question takes the synthesiser's lock, which a thread of lower
    // priority may hold: a voice still sounding below hearing (a slow attack) keeps it going.
    if (m_pSynth != nullptr && fluid_synth_get_active_voice_count(m_pSynth) > 0) {
        return true;
    }
    // Paired with Touch: a message that came meanwhile takes the pause back.
    m_bPaused.store(true);
    if (m_nSerial.load() != nSerial) {
        m_bPaused.store(false);
        return true;
    }
    return false;
}
