#include "sound/RtMidiPort.h"

#include <RtMidi.h>

#include <array>

namespace {
// Errors become results: nothing is printed and nothing is thrown past this class.
void IgnoreError(RtMidiError::Type /*type*/, const std::string& /*text*/, void* /*pData*/) {}

std::size_t MessageLength(std::uint8_t status) {
    const std::uint8_t nType = status & 0xF0;
    return nType == 0xC0 || nType == 0xD0 ? 2 : 3;
}
} // namespace

CRtMidiPort::CRtMidiPort(unsigned nPort) : m_nPort(nPort) {}

CRtMidiPort::~CRtMidiPort() {
    Close();
}

std::vector<std::string> CRtMidiPort::ListPorts() {
    std::vector<std::string> names;
    try {
        RtMidiOut out;
        out.setErrorCallback(IgnoreError);
        const unsigned nCount = out.getPortCount();
        for (unsigned i = 0; i < nCount; ++i) {
            names.push_back(out.getPortName(i));
        }
    } catch (const RtMidiError&) {
        names.clear();
    }
    return names;
}

bool CRtMidiPort::Open() {
    Close();
    try {
        auto pOut = std::make_unique<RtMidiOut>();
        pOut->setErrorCallback(IgnoreError);
        if (m_nPort >= pOut->getPortCount()) {
            return false;
        }
        pOut->openPort(m_nPort, "Vorkeln");
        if (!pOut->isPortOpen()) {
            return false;
        }
        m_pOut = std::move(pOut);
    } catch (const RtMidiError&) {
        return false;
    }
    return true;
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
