#pragma once

#include "midi/NotePlayer.h"
#include "midi/RecordingPort.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// A note player without a view: it records the notifications the windows cause and sounds
// through a recording port.
class CStandInPlayer : public CNotePlayer {
public:
    CStandInPlayer() : CStandInPlayer(new CRecordingPort) {}

    void OnTonalityChanged(bool bFromScaleWindow) override {
        m_tonalityChanges.push_back(bFromScaleWindow);
    }
    void OnPlayStart(bool /*bContinue*/) override {}
    void OnPlayStop() override {}

    CRecordingPort& Port() { return *m_pRecordingPort; }

    std::vector<bool> m_tonalityChanges;

private:
    // The player owns the port; the stand-in keeps a look at it.
    explicit CStandInPlayer(CRecordingPort* pPort)
        : CNotePlayer(std::unique_ptr<IMidiPort>(pPort)), m_pRecordingPort(pPort) {}

    CRecordingPort* m_pRecordingPort;
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
