#include "midi/PortSwitch.h"

#include <utility>

namespace {
constexpr std::uint32_t kControlChange = 0xB0;
constexpr std::uint32_t kProgramChange = 0xC0;
constexpr std::uint32_t kAllSoundOff = 120;
constexpr std::uint32_t kAllNotesOff = 123;
} // namespace

CPortSwitch::CPortSwitch(std::unique_ptr<IMidiPort> pBuiltIn) : m_pBuiltIn(std::move(pBuiltIn)) {
    m_programs.fill(-1);
}

CPortSwitch::~CPortSwitch() = default;

void CPortSwitch::Silence(IMidiPort& port) {
    for (std::uint32_t nChannel = 0; nChannel < kChannels; ++nChannel) {
        port.SendShort(kControlChange | nChannel | (kAllSoundOff << 8));
        port.SendShort(kControlChange | nChannel | (kAllNotesOff << 8));
    }
}

void CPortSwitch::Leave(IMidiPort& port) {
    if (port.IsOpen()) {
        Silence(port);
    }
    port.Close();
}

void CPortSwitch::SendPrograms(IMidiPort& port) const {
    for (std::uint32_t nChannel = 0; nChannel < kChannels; ++nChannel) {
        const int nProgram = m_programs[nChannel];
        if (nProgram >= 0) {
            port.SendShort(kProgramChange | nChannel | (static_cast<std::uint32_t>(nProgram) << 8));
        }
    }
}

bool CPortSwitch::Select(std::unique_ptr<IMidiPort> pPort) {
    if (pPort == nullptr && IsBuiltIn()) {
        return true;
    }
    IMidiPort& next = pPort != nullptr ? *pPort : *m_pBuiltIn;
    // A system port is opened before the one in use is left, so that a refusal changes nothing;
    // the built-in port is never closed while it sounds.
    if (!next.IsOpen() && !next.Open()) {
        return false;
    }
    if (m_pSystem != nullptr) {
        if (m_pSystem->IsOpen()) {
            Silence(*m_pSystem);
        }
        m_pLeft = std::move(m_pSystem);
    } else {
        Leave(*m_pBuiltIn);
    }
    m_pSystem = std::move(pPort);
    SendPrograms(Active());
    return true;
}

bool CPortSwitch::Open() {
    return Active().Open();
}

void CPortSwitch::Reset() {
    Active().Reset();
}

void CPortSwitch::Close() {
    Active().Close();
}

bool CPortSwitch::IsOpen() const {
    return Active().IsOpen();
}

void CPortSwitch::SendShort(std::uint32_t dwMsg) {
    if ((dwMsg & 0xF0u) == kProgramChange) {
        m_programs[dwMsg & 0x0Fu] = static_cast<int>((dwMsg >> 8) & 0x7Fu);
    }
    Active().SendShort(dwMsg);
}

void CPortSwitch::Poll() {
    if (m_pLeft != nullptr) {
        m_pLeft->Close();
        m_pLeft.reset();
    }
    m_pBuiltIn->Poll();
    if (m_pSystem == nullptr) {
        return;
    }
    m_pSystem->Poll();
    if (m_pSystem->IsOpen()) {
        return;
    }
    // What is left of the port is given back; its far end cannot hear anything any more.
    m_pSystem->Close();
    m_pSystem.reset();
    if (m_pBuiltIn->IsOpen() || m_pBuiltIn->Open()) {
        SendPrograms(*m_pBuiltIn);
    }
    if (m_onLost) {
        m_onLost();
    }
}
