#include "midi/MidiEvent.h"

#include <algorithm>

CMidiEvent::CMidiEvent(const CMidiEvent& other)
    : m_nDelta(other.m_nDelta), m_status(other.m_status), m_data1(other.m_data1),
      m_data2(other.m_data2), m_nLength(other.m_nLength) {
    if (other.m_pData != nullptr) {
        SetData(other.m_pData.get(), other.m_nLength);
    }
}

CMidiEvent& CMidiEvent::operator=(const CMidiEvent& other) {
    if (this != &other) {
        CMidiEvent copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void CMidiEvent::SetData(const std::uint8_t* pData, std::uint32_t nLength) {
    m_nLength = nLength;
    if (nLength == 0) {
        m_pData.reset();
        return;
    }
    m_pData = std::make_unique_for_overwrite<std::uint8_t[]>(nLength);
    std::copy_n(pData, nLength, m_pData.get());
}

bool CMidiEvent::operator==(const CMidiEvent& other) const {
    if (m_nDelta != other.m_nDelta || m_status != other.m_status || m_data1 != other.m_data1 ||
        m_data2 != other.m_data2 || m_nLength != other.m_nLength) {
        return false;
    }
    if (!HasData() || m_nLength == 0) {
        return true;
    }
    return other.m_pData != nullptr && m_pData != nullptr &&
           std::equal(m_pData.get(), m_pData.get() + m_nLength, other.m_pData.get());
}
