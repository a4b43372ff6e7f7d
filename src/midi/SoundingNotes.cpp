#include "midi/SoundingNotes.h"

#include <bit>

void CSoundingNotes::Set(std::uint8_t nChannel, std::uint8_t nNote, bool bOn) {
    if (nChannel > 15 || nNote > 127)
        return;
    const auto wBit = static_cast<std::uint16_t>(1u << nChannel);
    std::uint16_t& wChannels = m_wChannels[nNote];
    const std::uint16_t wNew = bOn ? (wChannels | wBit) : (wChannels & ~wBit);
    if (wNew == wChannels)
        return;
    const bool bWasSilent = m_nCount == 0;
    m_nCount += bOn ? 1 : -1;
    wChannels = wNew;
    m_bChanged = true;
    Recount();
    if (!bOn)
        return;
    // A chord starts afresh after silence; within a stretch of sound the fullest set is kept.
    if (bWasSilent)
        m_nLastChordSize = 0;
    const int nSize = std::popcount(m_wPitchClasses);
    if (nSize >= m_nLastChordSize) {
        m_nLastChordSize = nSize;
        m_wLastChord = m_wPitchClasses;
        m_nLastChordLowest = GetLowest();
    }
}

void CSoundingNotes::Clear() {
    if (m_nCount == 0)
        return;
    m_wChannels.fill(0);
    m_nCount = 0;
    m_wPitchClasses = 0;
    m_bChanged = true;
}

int CSoundingNotes::GetLowest() const {
    if (m_nCount == 0)
        return -1;
    for (int nNote = 0; nNote < 128; ++nNote)
        if (m_wChannels[static_cast<std::size_t>(nNote)] != 0)
            return nNote;
    return -1;
}

bool CSoundingNotes::TakeChanged() {
    const bool bChanged = m_bChanged;
    m_bChanged = false;
    return bChanged;
}

void CSoundingNotes::Recount() {
    unsigned wSet = 0;
    for (std::size_t nNote = 0; nNote < 128; ++nNote)
        if (m_wChannels[nNote] != 0)
            wSet |= 1u << (nNote % 12);
    m_wPitchClasses = static_cast<std::uint16_t>(wSet);
}
