#pragma once

#include "sound/AudioOutput.h"

#include <memory>
#include <string>

class CSynthRenderer;
struct _fluid_audio_driver_t;
struct _fluid_hashtable_t;

// The synthesiser's sound through FluidSynth's own audio drivers, where no better path is at
// hand: every block passes through the renderer and its guard. The drivers keep asking while the
// renderer is paused; they get silence, and the synthesiser does not run.
class CFluidDriverOutput : public IAudioOutput {
public:
    // The first driver that opens (a sound server, then the sound card, then whatever this build
    // of the library offers, never its file writer); null when none does.
    static std::unique_ptr<CFluidDriverOutput> Open(_fluid_hashtable_t* pSettings,
                                                    CSynthRenderer& renderer);
    ~CFluidDriverOutput() override;
    CFluidDriverOutput(const CFluidDriverOutput&) = delete;
    CFluidDriverOutput& operator=(const CFluidDriverOutput&) = delete;

    void Wake() override;
    std::string GetName() const override { return "FluidSynth " + m_driverName + " driver"; }
    // The drivers do not say.
    double GetLatencyMs() const override { return -1.0; }

private:
    explicit CFluidDriverOutput(CSynthRenderer& renderer) : m_renderer(renderer) {}
    static int OnAudio(void* pData, int nFrames, int nFx, float* fx[], int nOut, float* out[]);

    CSynthRenderer& m_renderer;
    _fluid_audio_driver_t* m_pDriver = nullptr;
    std::string m_driverName;
};
