#include "sound/SynthRenderer.h"
#include "sound/FluidSynthPort.h"

#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kCeiling = CSynthRenderer::kCeiling;

struct SGuardCase {
    const char* m_pszName;
    std::vector<float> m_in; // interleaved left, right
    std::vector<float> m_out;
    bool m_bFinite;
};

TEST(SynthRenderer, GuardSilencesBlocksThatAreNotFiniteAndHoldsTheRestBelowFullScale) {
    const std::vector<SGuardCase> cases = {
        {"quiet block passes", {0.0f, 0.25f, -0.5f, 0.1f}, {0.0f, 0.25f, -0.5f, 0.1f}, true},
        {"NaN on the left", {0.5f, 0.5f, kNaN, 0.5f}, {0, 0, 0, 0}, false},
        {"infinity on the right", {0.5f, kInf, 0.1f, 0.1f}, {0, 0, 0, 0}, false},
        {"minus infinity last", {0.5f, 0.5f, 0.1f, -kInf}, {0, 0, 0, 0}, false},
        {"overload held",
         {1.0f, -1.0f, 7.5f, -1e30f},
         {kCeiling, -kCeiling, kCeiling, -kCeiling},
         true},
    };
    for (const SGuardCase& test : cases) {
        SCOPED_TRACE(test.m_pszName);
        // Interleaved, as a stream takes it.
        std::vector<float> block = test.m_in;
        const CSynthRenderer::SGuarded guarded =
            CSynthRenderer::Guard(block.data(), block.data() + 1, 2, 2);
        EXPECT_EQ(block, test.m_out);
        EXPECT_EQ(guarded.m_bFinite, test.m_bFinite);
        float fPeak = 0.0f;
        for (const float f : test.m_out) {
            fPeak = std::max(fPeak, std::fabs(f));
        }
        EXPECT_EQ(guarded.m_fPeak, fPeak);

        // One buffer a channel, as FluidSynth's drivers hand them.
        std::vector<float> left = {test.m_in[0], test.m_in[2]};
        std::vector<float> right = {test.m_in[1], test.m_in[3]};
        CSynthRenderer::Guard(left.data(), right.data(), 1, 2);
        EXPECT_EQ(left, (std::vector<float>{test.m_out[0], test.m_out[2]}));
        EXPECT_EQ(right, (std::vector<float>{test.m_out[1], test.m_out[3]}));
    }
}

// A synthesiser with the system SoundFont, rendered offline.
class RenderedSynth : public ::testing::Test {
protected:
    static constexpr int kRate = 48000;
    static constexpr int kBlock = 128;

    void SetUp() override {
        const std::string soundFont = CFluidSynthPort::FindSoundFont();
        if (soundFont.empty()) {
            GTEST_SKIP() << "no SoundFont in /usr/share/sounds/sf2";
        }
        m_pSettings = new_fluid_settings();
        fluid_settings_setnum(m_pSettings, "synth.sample-rate", kRate);
        m_pSynth = new_fluid_synth(m_pSettings);
        ASSERT_NE(fluid_synth_sfload(m_pSynth, soundFont.c_str(), 1), FLUID_FAILED);
        m_renderer.SetSynth(m_pSynth, kRate);
    }
    void TearDown() override {
        if (m_pSynth != nullptr) {
            delete_fluid_synth(m_pSynth);
        }
        if (m_pSettings != nullptr) {
            delete_fluid_settings(m_pSettings);
        }
    }

    // Renders nFrames in blocks; the peak, and whether rendering went on to the end.
    float Render(int nFrames, bool* pGoesOn = nullptr) {
        float fPeak = 0.0f;
        bool bGoesOn = true;
        std::vector<float> block(2 * kBlock);
        for (int nDone = 0; nDone < nFrames; nDone += kBlock) {
            bGoesOn = m_renderer.Render(block.data(), block.data() + 1, 2, kBlock);
            for (const float f : block) {
                fPeak = std::max(fPeak, std::fabs(f));
            }
        }
        if (pGoesOn != nullptr) {
            *pGoesOn = bGoesOn;
        }
        return fPeak;
    }

    // Frames rendered until the renderer pauses, at most nLimit.
    int FramesUntilPaused(int nLimit) {
        std::vector<float> block(2 * kBlock);
        for (int nDone = 0; nDone < nLimit; nDone += kBlock) {
            if (!m_renderer.Render(block.data(), block.data() + 1, 2, kBlock)) {
                return nDone + kBlock;
            }
        }
        return nLimit;
    }

    _fluid_hashtable_t* m_pSettings = nullptr;
    _fluid_synth_t* m_pSynth = nullptr;
    CSynthRenderer m_renderer;
};

TEST_F(RenderedSynth, SilentUntilReadyAndWoken) {
    // A note the synthesiser already holds does not sound while the renderer waits.
    fluid_synth_noteon(m_pSynth, 0, 60, 127);
    EXPECT_TRUE(m_renderer.IsPaused());
    EXPECT_EQ(Render(kRate / 10), 0.0f);
    EXPECT_TRUE(m_renderer.Resume());
    EXPECT_EQ(Render(kRate / 10), 0.0f); // woken, but not ready
    m_renderer.SetReady();
    EXPECT_GT(Render(kRate / 10), 0.05f);
    EXPECT_EQ(m_renderer.GetSilencedBlocks(), 0u);
}

TEST_F(RenderedSynth, PausesWhenNothingSoundsAndAMessageWakesIt) {
    m_renderer.SetReady();
    m_renderer.Resume();
    fluid_synth_noteon(m_pSynth, 0, 60, 127);
    EXPECT_FALSE(m_renderer.Touch());
    bool bGoesOn = false;
    EXPECT_GT(Render(kRate / 4, &bGoesOn), 0.05f);
    EXPECT_TRUE(bGoesOn);
    fluid_synth_noteoff(m_pSynth, 0, 60);
    m_renderer.Touch();

    // The release and the reverb die away, then a quiet spell passes, then it pauses.
    const int nFrames = FramesUntilPaused(10 * kRate);
    EXPECT_TRUE(m_renderer.IsPaused());
    EXPECT_GT(nFrames, CSynthRenderer::kQuietSeconds * kRate);
    EXPECT_LT(nFrames, 5 * kRate);
    EXPECT_EQ(fluid_synth_get_active_voice_count(m_pSynth), 0);

    // Paused, the synthesiser does not run: a note it holds waits.
    fluid_synth_noteon(m_pSynth, 0, 64, 127);
    EXPECT_EQ(Render(kBlock, &bGoesOn), 0.0f);
    EXPECT_FALSE(bGoesOn);
    // Told of the message, the owner wakes it, and the very next block sounds.
    EXPECT_TRUE(m_renderer.Touch());
    EXPECT_TRUE(m_renderer.Resume());
    EXPECT_FALSE(m_renderer.Resume());
    EXPECT_GT(Render(kBlock, &bGoesOn), 0.0f);
    EXPECT_TRUE(bGoesOn);
}

TEST_F(RenderedSynth, AMessageDuringTheQuietSpellKeepsItRunning) {
    m_renderer.SetReady();
    m_renderer.Resume();
    // Controllers alone make no sound, but each one starts the quiet spell again.
    for (int i = 0; i < 4; ++i) {
        EXPECT_LT(Render(kRate * 3 / 4), CSynthRenderer::kQuietLevel);
        fluid_synth_cc(m_pSynth, 0, 7, 100);
        EXPECT_FALSE(m_renderer.Touch());
    }
    EXPECT_FALSE(m_renderer.IsPaused());
    EXPECT_LE(FramesUntilPaused(2 * kRate), CSynthRenderer::kQuietSeconds * kRate + kBlock);
}

} // namespace
