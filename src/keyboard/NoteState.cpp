#include "keyboard/NoteState.h"

#include <bit>

void CNoteState::Reset() {
    m_bHover = 0;
    m_wChannels.fill(0);
    m_nChannel = kNone;
    m_nLevel = kNone;
}

bool CNoteState::SetChannel(int nChannel, int nOffset, bool bOn) {
    if (nChannel < 0 || nChannel > 15 || nOffset < -4 || nOffset > 4) {
        return false;
    }
    const int nIndex = LevelOfOffset(nOffset);
    const auto wBit = static_cast<std::uint16_t>(1u << nChannel);
    if (bOn) {
        m_wChannels[nIndex] = static_cast<std::uint16_t>(m_wChannels[nIndex] | wBit);
    } else {
        m_wChannels[nIndex] = static_cast<std::uint16_t>(m_wChannels[nIndex] & ~wBit);
    }
    std::uint8_t nShownChannel = kNone;
    std::uint8_t nShownLevel = kNone;
    for (int i = 0; i < kLevels; ++i) {
        if (m_wChannels[i] != 0) {
            nShownChannel = static_cast<std::uint8_t>(std::countr_zero(m_wChannels[i]));
            nShownLevel = static_cast<std::uint8_t>(i);
            break;
        }
    }
    const bool bChanged = nShownChannel != m_nChannel || nShownLevel != m_nLevel;
    m_nChannel = nShownChannel;
    m_nLevel = nShownLevel;
    return bChanged;
}
