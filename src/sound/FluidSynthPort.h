#pragma once

#include "midi/MessageBacklog.h"
#include "midi/MidiPort.h"
#include "sound/AudioOutput.h"
#include "sound/SoundPath.h"
#include "sound/SynthRenderer.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;

// The embedded General MIDI synthesiser, this platform's default MIDI output. The SoundFont is
// loaded on a thread of its own so that opening returns at once; messages sent meanwhile wait
// in order and sound as soon as it is loaded. A SoundFont that fails to load closes the port.
// Closing stops the audio but keeps the loaded synthesiser, so reopening (Reset Midi) is quick.
//
// The sound goes out through a sound server's stream where there is one, else through
// FluidSynth's own audio drivers; either way every block passes the renderer's guard, nothing is
// rendered before the SoundFont is in, and rendering pauses while nothing sounds.
class CFluidSynthPort : public IMidiPort, public ISoundPath {
public:
    enum class EAudio {
        Device, // play through the sound server, or else the first audio driver that opens
        None,   // no audio output: the owner pulls samples with Render (tests, offline use)
    };

    // The rate where the sound server does not choose one.
    static constexpr int kSampleRate = 48000;
    // FluidSynth's own drivers: 2 x 128 frames, where the driver honours it.
    static constexpr int kPeriodSize = 128;
    static constexpr int kPeriods = 2;

    explicit CFluidSynthPort(EAudio eAudio = EAudio::Device, std::string soundFont = {});
    ~CFluidSynthPort() override;
    CFluidSynthPort(const CFluidSynthPort&) = delete;
    CFluidSynthPort& operator=(const CFluidSynthPort&) = delete;

    // False when there is no SoundFont or (with EAudio::Device) no audio driver opens.
    bool Open() override;
    void Reset() override;
    void Close() override;
    bool IsOpen() const override { return m_bOpen && !m_bLoadFailed; }
    void SendShort(std::uint32_t dwMsg) override;

    // The General MIDI SoundFont the synthesiser loads; empty when the system has none.
    static std::string FindSoundFont();
    // The SoundFont this port plays with: the one it was given, else the system's.
    std::string GetSoundFont() const { return m_soundFont.empty() ? FindSoundFont() : m_soundFont; }
    // Plays one message (or the reset this port sends for Reset) into a synthesiser.
    static void DispatchTo(_fluid_synth_t* pSynth, std::uint32_t dwMsg);
    // Blocks until the SoundFont has been loaded; false when it could not be.
    bool WaitUntilLoaded();
    // Synthesises nFrames of interleaved 16-bit stereo as the audio output would get them
    // (EAudio::None only).
    bool Render(std::vector<std::int16_t>& samples, int nFrames);
    // Voices sounding now (0 before the SoundFont is loaded).
    int GetActiveVoiceCount();
    // Whether rendering has paused for want of anything to play.
    bool IsPaused() const { return m_renderer.IsPaused(); }
    int GetSampleRate() const { return m_nSampleRate; }

    std::string GetSoundPath() const override;
    double GetOutputLatencyMs() const override;

private:
    bool CreateSynth(int nSampleRate);
    bool OpenOutput();
    void LoadSoundFont();
    void Dispatch(std::uint32_t dwMsg);
    // After a message reached the synthesiser: the output renders again if it had paused.
    void Touch();

    const EAudio m_eAudio;
    std::string m_soundFont;
    _fluid_hashtable_t* m_pSettings = nullptr;
    _fluid_synth_t* m_pSynth = nullptr;
    int m_nSampleRate = 0;
    CSynthRenderer m_renderer;
    std::unique_ptr<IAudioOutput> m_pOutput; // replaced under m_mutex
    bool m_bOpen = false;
    bool m_bLoadStarted = false;

    std::thread m_loader;
    std::mutex m_mutex;
    std::atomic<bool> m_bLoaded{false};
    std::atomic<bool> m_bLoadFailed{false}; // written under m_mutex
    CMessageBacklog m_backlog;              // guarded by m_mutex
};
