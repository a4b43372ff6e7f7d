#include "midi/MidiOut.h"

#include <utility>

CMidiOut::CMidiOut(std::unique_ptr<IMidiPort> pPort) : m_pPort(std::move(pPort)) {}

CMidiOut::~CMidiOut() {
    Close();
}

void CMidiOut::SetPort(std::unique_ptr<IMidiPort> pPort) {
    Close();
    m_pPort = std::move(pPort);
}

void CMidiOut::SetOpenFailedHandler(std::function<void()> onOpenFailed) {
    m_onOpenFailed = std::move(onOpenFailed);
}

bool CMidiOut::TakeUntoldFailure() {
    return std::exchange(m_bUntoldFailure, false);
}

void CMidiOut::ReportFailure() {
    if (m_onOpenFailed) {
        m_onOpenFailed();
    } else {
        m_bUntoldFailure = true;
    }
}

bool CMidiOut::Open() {
    Close();
    m_bOpened = m_pPort != nullptr && m_pPort->Open();
    if (!m_bOpened) {
        ReportFailure();
    }
    return m_bOpened;
}

void CMidiOut::CheckPort() {
    if (m_bOpened && !IsOpen()) {
        // What the port still holds (an audio stream, a device) is given back at once.
        m_bOpened = false;
        m_pPort->Close();
        ReportFailure();
    }
}

void CMidiOut::Close() {
    m_bOpened = false;
    if (!IsOpen()) {
        return;
    }
    m_pPort->Reset();
    m_pPort->Close();
}

bool CMidiOut::Reset() {
    const bool bOpen = Open();
    ProgramChange(0, 0);
    return bOpen;
}

bool CMidiOut::IsOpen() const {
    return m_pPort != nullptr && m_pPort->IsOpen();
}

void CMidiOut::SendShort(std::uint32_t dwMsg) {
    if (IsOpen()) {
        m_pPort->SendShort(dwMsg);
    }
}

// The parts are added rather than OR-ed, as callers only pass channels 0-15 and values 0-127.
void CMidiOut::ProgramChange(std::uint8_t nChannel, std::uint8_t nProgram) {
    SendShort(0xC0u + nChannel + (std::uint32_t{nProgram} << 8));
}

void CMidiOut::NoteOn(std::uint8_t nChannel, std::uint8_t nNote, std::uint8_t nVelocity) {
    SendShort(0x90u + nChannel + (std::uint32_t{nNote} << 8) + (std::uint32_t{nVelocity} << 16));
}

void CMidiOut::NoteOff(std::uint8_t nChannel, std::uint8_t nNote) {
    SendShort(0x80u + nChannel + (std::uint32_t{nNote} << 8));
}
