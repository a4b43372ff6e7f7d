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
#include <optional>
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
// Another SoundFont loads into a synthesiser of its own on a thread while the current one keeps
// sounding; Poll puts it in place once it is in, with every channel's instrument. One that
// cannot be loaded changes nothing, and the reason is told.
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
    // Puts a SoundFont that finished loading in place.
    void Poll() override;

    // How a change of SoundFont ended: m_error is empty when m_path sounds now.
    struct SSoundFontResult {
        std::string m_path;
        std::string m_error;
    };
    // Starts loading another SoundFont (.sf2 or .sf3); one asked for while another loads waits
    // for it, and only the last one asked for is loaded next.
    void ChangeSoundFont(const std::string& path);
    // The result of the last change, once, after the Poll that ended it.
    std::optional<SSoundFontResult> TakeSoundFontResult();
    // Blocks until no change is loading any more (tests, and before the port goes).
    void WaitForSoundFontChange();
    // Why a file cannot be a SoundFont, from its first bytes and its size: empty when it may be
    // one. The loader has the last word.
    static std::string CheckSoundFontFile(const std::string& path);

    // The General MIDI SoundFont the synthesiser loads; empty when the system has none.
    static std::string FindSoundFont();
    // The SoundFont this port plays with: the one it was given or changed to, else the system's.
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
    void StartChange(const std::string& path);
    // The changer's thread.
    void LoadReplacement();
    void PutReplacementInPlace();

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

    // A change of SoundFont: the thread loading it and what it made; m_bChangeDone tells the
    // owner's thread that the rest may be read.
    std::thread m_changer;
    bool m_bChanging = false;
    std::atomic<bool> m_bChangeDone{false};
    std::string m_changePath;
    _fluid_synth_t* m_pReplacement = nullptr;
    std::string m_changeError;
    std::string m_queuedPath;
    std::optional<SSoundFontResult> m_soundFontResult;
    // Frees a synthesiser that was replaced, away from the owner's thread.
    std::thread m_reaper;
};
