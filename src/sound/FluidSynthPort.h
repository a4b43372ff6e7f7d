#pragma once

#include "midi/MidiPort.h"

#include <string>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

// The embedded General MIDI synthesiser, this platform's default MIDI output.
class CFluidSynthPort : public IMidiPort {
public:
    CFluidSynthPort();
    ~CFluidSynthPort() override;
    CFluidSynthPort(const CFluidSynthPort&) = delete;
    CFluidSynthPort& operator=(const CFluidSynthPort&) = delete;

    bool Open() override;
    void Reset() override;
    void Close() override;
    bool IsOpen() const override { return m_pSynth != nullptr; }
    void SendShort(std::uint32_t dwMsg) override;

    // The General MIDI SoundFont the synthesiser loads; empty when the system has none.
    static std::string FindSoundFont();

private:
    _fluid_hashtable_t* m_pSettings = nullptr;
    _fluid_synth_t* m_pSynth = nullptr;
    _fluid_audio_driver_t* m_pDriver = nullptr;
};
