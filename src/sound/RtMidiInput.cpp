#include "sound/RtMidiInput.h"

#include "sound/MidiSystems.h"

namespace {
void OnMessage(double /*fDelta*/, std::vector<unsigned char>* pMessage, void* pData) {
    if (pMessage != nullptr) {
        static_cast<CRtMidiInput*>(pData)->Receive(pMessage->data(), pMessage->size());
    }
}
} // namespace

CRtMidiInput::CRtMidiInput(SMidiPortId id) : m_id(std::move(id)) {}

CRtMidiInput::~CRtMidiInput() {
    Close();
}

std::vector<SMidiPortId> CRtMidiInput::ListPorts() {
    return CMidiSystems::ListAll<RtMidiIn>();
}

bool CRtMidiInput::Open(Wake fnWake) {
    Close();
    m_fnWake = std::move(fnWake);
    m_bWakePending = false;
    m_pIn = CMidiSystems::OpenPort<RtMidiIn>(m_id, "in", [this](RtMidiIn& in) {
        // SysEx, timing and active sensing never reach the ring.
        in.ignoreTypes(true, true, true);
        in.setCallback(OnMessage, this);
    });
    return m_pIn != nullptr;
}

void CRtMidiInput::Close() {
    // Closing joins RtMidi's thread: no callback runs once it is gone.
    m_pIn.reset();
}

void CRtMidiInput::Poll() {
    if (m_pIn != nullptr && !CMidiSystems::IsListed(*m_pIn, m_id)) {
        Close();
    }
}

void CRtMidiInput::Receive(const unsigned char* pBytes, std::size_t nSize) {
    if (nSize == 0 || pBytes[0] < 0x80 || pBytes[0] >= 0xF0) {
        return;
    }
    const std::uint8_t nType = pBytes[0] & 0xF0;
    const std::size_t nWanted = nType == 0xC0 || nType == 0xD0 ? 2 : 3;
    if (nSize < nWanted) {
        return;
    }
    std::uint32_t dwMsg = pBytes[0] | (std::uint32_t{pBytes[1] & 0x7Fu} << 8);
    if (nWanted == 3) {
        dwMsg |= std::uint32_t{pBytes[2] & 0x7Fu} << 16;
    }
    m_ring.Push(dwMsg);
    if (!m_bWakePending.exchange(true) && m_fnWake) {
        m_fnWake();
    }
}

void CRtMidiInput::Drain(std::vector<std::uint32_t>& messages) {
    // Cleared first: a message pushed from here on wakes the owner again.
    m_bWakePending.store(false);
    std::uint32_t dwMsg = 0;
    while (m_ring.Pop(dwMsg)) {
        messages.push_back(dwMsg);
    }
}
