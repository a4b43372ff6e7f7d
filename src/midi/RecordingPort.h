#pragma once

#include "midi/MidiPort.h"

#include <cstdint>
#include <vector>

// A port that keeps every message in order instead of sounding it; resets and closes are kept
// as markers so that tests can check what was silenced when.
class CRecordingPort : public IMidiPort {
public:
    static constexpr std::uint32_t kResetMarker = 0xFF000000u;
    static constexpr std::uint32_t kCloseMarker = 0xFE000000u;

    bool Open() override;
    void Reset() override;
    void Close() override;
    bool IsOpen() const override { return m_bOpen; }
    void SendShort(std::uint32_t dwMsg) override;
    // Stands for a port that opened but can no longer sound, with nothing closed.
    void Break() { m_bOpen = false; }

    // Whether the next Open succeeds, so tests can stand for a machine without a synthesiser.
    bool m_bFailOpen = false;
    int m_nOpenCount = 0;
    int m_nCloseCount = 0;
    std::vector<std::uint32_t> m_messages;

private:
    bool m_bOpen = false;
};
