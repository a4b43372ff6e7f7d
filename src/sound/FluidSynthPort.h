#pragma once

#include "midi/MessageBacklog.h"
#include "midi/MidiPort.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

// The embedded General MIDI synthesiser, this platform's default MIDI output. The SoundFont is
// loaded on a thread of its own so that opening returns at once; messages sent meanwhile wait
// in order and sound as soon as it is loaded. A SoundFont that fails to load closes the port.
// Closing stops the audio but keeps the loaded synthesiser, so reopening (Reset Midi) is quick.
class CFluidSynthPort : public IMidiPort {
public:
    enum class EAudio {
        Device, // play through the first audio driver that opens
        None,   // no audio driver: the owner pulls samples with Render (tests, offline use)
    };

    static constexpr int kSampleRate = 48000;
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
    // Blocks until the SoundFont has been loaded; false when it could not be.
    bool WaitUntilLoaded();
    // Synthesises nFrames of interleaved 16-bit stereo (EAudio::None only).
    bool Render(std::vector<std::int16_t>& samples, int nFrames);
    // Voices sounding now (0 before the SoundFont is loaded).
    int GetActiveVoiceCount();
    // The audio driver that opened, empty when none.
    const std::string& GetDriverName() const { return m_driverName; }

private:
    bool CreateSynth();
    bool CreateDriver();
    void LoadSoundFont();
    void Dispatch(std::uint32_t dwMsg);

    const EAudio m_eAudio;
    std::string m_soundFont;
    std::string m_driverName;
    _fluid_hashtable_t* m_pSettings = nullptr;
    _fluid_synth_t* m_pSynth = nullptr;
    _fluid_audio_driver_t* m_pDriver = nullptr;
    bool m_bOpen = false;
    bool m_bLoadStarted = false;

    std::thread m_loader;
    std::mutex m_mutex;
    std::atomic<bool> m_bLoaded{false};
    std::atomic<bool> m_bLoadFailed{false}; // written under m_mutex
    CMessageBacklog m_backlog;              // guarded by m_mutex
};
