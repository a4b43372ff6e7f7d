#pragma once

#include "midi/NotePlayer.h"
#include "midi/RecordingPort.h"

#include <cstdint>
#include <utility>
#include <vector>

// The port must exist before the player that opens it.
struct SPortHolder {
    CRecordingPort m_recordingPort;
};

// A note player without a view: it records the notifications the windows cause and sounds
// through a recording port.
class CStandInPlayer : private SPortHolder, public CNotePlayer {
public:
    CStandInPlayer() : CNotePlayer(m_recordingPort) {}

    void OnTonalityChanged(bool bFromScaleWindow) override {
        m_tonalityChanges.push_back(bFromScaleWindow);
    }
    void OnPlayStart(bool /*bContinue*/) override {}
    void OnPlayStop() override {}

    CRecordingPort& Port() { return m_recordingPort; }

    std::vector<bool> m_tonalityChanges;
};

using SControl = std::pair<std::uint32_t, std::uint32_t>;

// A tool window that also keeps every SetControl it sends, in order.
template <class TDlg> class CWatched : public TDlg {
public:
    using TDlg::TDlg;

    std::vector<SControl> m_controls;

protected:
    void SendControl(std::uint32_t nCode, std::uint32_t nValue) override {
        m_controls.emplace_back(nCode, nValue);
        TDlg::SendControl(nCode, nValue);
    }
};
