#include "midi/RecordingPort.h"

bool CRecordingPort::Open() {
    ++m_nOpenCount;
    m_bOpen = !m_bFailOpen;
    return m_bOpen;
}

void CRecordingPort::Reset() {
    if (m_bOpen) {
        m_messages.push_back(kResetMarker);
    }
}

void CRecordingPort::Close() {
    ++m_nCloseCount;
    if (m_bOpen) {
        m_messages.push_back(kCloseMarker);
    }
    m_bOpen = false;
}

void CRecordingPort::SendShort(std::uint32_t dwMsg) {
    if (m_bOpen) {
        m_messages.push_back(dwMsg);
    }
}
