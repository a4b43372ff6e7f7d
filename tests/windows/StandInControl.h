#pragma once

#include "midi/NoteDisplay.h"
#include "midi/NoteEngine.h"
#include "midi/PlayerControl.h"
#include "midi/RecordingPort.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

using SControl = std::pair<std::uint32_t, std::uint32_t>;

// The player as the tool windows see it. It keeps what they ask for, in order, and passes it on
// to a note engine that sounds through a recording port and reports to this stand-in, so that
// a test sees both what a window sent and what came of it.
class CStandInControl : public IPlayerControl, public INoteDisplay {
public:
    CStandInControl() : m_engine(std::make_unique<CRecordingPort>(), *this) {}

    void SetControl(std::uint32_t nCode, std::uint32_t nValue) override {
        m_controls.emplace_back(nCode, nValue);
        m_engine.SetControl(nCode, nValue);
    }
    std::uint8_t GetCurrentTrack() const override { return m_engine.GetCurrentTrack(); }
    void SetCurrentTrack(std::uint8_t nTrack) override { m_engine.SetCurrentTrack(nTrack); }
    const CScale& GetScale() const override { return m_engine.GetScale(); }
    void SetTonality(std::uint8_t nKeynote, const std::uint8_t* pPattern,
                     const void* pSender) override {
        m_engine.SetTonality(nKeynote, pPattern, pSender);
    }
    const IMidiPort* GetMidiPort() const override { return m_engine.GetMidiPort(); }

    void ShowNote(int /*nChannel*/, int /*nNote*/, bool /*bOn*/) override {}
    void ShowEchoRange(std::int8_t nEchoUp, std::int8_t nEchoDown) override {
        m_nEchoUp = nEchoUp;
        m_nEchoDown = nEchoDown;
    }
    void ResetNoteStates() override {}
    void OnTonalityChanged(const void* pSender) override { m_tonalitySenders.push_back(pSender); }
    void OnPlayStart(bool /*bContinue*/) override {}
    void OnPlayStop() override {}

    CRecordingPort& Port() { return *static_cast<CRecordingPort*>(m_engine.m_midiOut.GetPort()); }

    CNoteEngine m_engine;
    std::vector<SControl> m_controls;
    std::vector<const void*> m_tonalitySenders;
    // The echo range last shown; unknown (99) until one is.
    std::int8_t m_nEchoUp = 99;
    std::int8_t m_nEchoDown = 99;
};
