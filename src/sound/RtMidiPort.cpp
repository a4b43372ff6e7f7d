#include "sound/RtMidiPort.h"

#include "sound/MidiSystems.h"

#include <array>

namespace {
std::size_t MessageLength(std::uint8_t status) {
    const std::uint8_t nType = status & 0xF0;
    return nType == 0xC0 || nType == 0xD0 ? 2 : 3;
}
} // namespace

CRtMidiPort::CRtMidiPort(SMidiPortId id) : m_id(std::move(id)) {}

CRtMidiPort::~CRtMidiPort() {
    Close();
}

std::vector<SMidiPortId> CRtMidiPort::ListPorts() {
    return CMidiSystems::ListAll<RtMidiOut>();
}

bool CRtMidiPort::Open() {
    Close();
    m_pOut = CMidiSystems::OpenPort<RtMidiOut>(m_id, "out", nullptr);
    return m_pOut != nullptr;
}

void CRtMidiPort::Reset() {
    for (std::uint32_t nChannel = 0; nChannel < 16; ++nChannel) {
        for (const std::uint32_t nController : {120u, 121u, 123u}) {
            SendShort(0xB0u | nChannel | (nController << 8));
        }
    }
}

void CRtMidiPort::Close() {
    m_pOut.reset();
}

void CRtMidiPort::Poll() {
    if (m_pOut != nullptr && !CMidiSystems::IsListed(*m_pOut, m_id)) {
        Close();
    }
}

void CRtMidiPort::SendShort(std::uint32_t dwMsg) {
    if (m_pOut == nullptr) {
        return;
    }
    const std::array<unsigned char, 3> bytes = {static_cast<unsigned char>(dwMsg & 0xFF),
                                                static_cast<unsigned char>((dwMsg >> 8) & 0xFF),
                                                static_cast<unsigned char>((dwMsg >> 16) & 0xFF)};
    if (bytes[0] < 0x80 || bytes[0] >= 0xF0) {
        return;
    }
    try {
        m_pOut->sendMessage(bytes.data(), MessageLength(bytes[0]));
    } catch (const RtMidiError&) {
        // A port that went away: the message is lost, as on a closed device.
    }
}
