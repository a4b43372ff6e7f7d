#pragma once

#include <array>
#include <cstdint>

// Which notes sound now on any channel, kept up to date as notes start and end, and what the
// last chord played was: the most notes that sounded together since the last silence. Readers
// look only when something changed, so that a tick that starts and ends many notes is named
// once. Nothing here prints or shows anything.
class CSoundingNotes {
public:
    // A note of a channel starts (bOn) or ends. Notes out of range are ignored; ending a note
    // that does not sound changes nothing.
    void Set(std::uint8_t nChannel, std::uint8_t nNote, bool bOn);
    // Everything falls silent (a device reset); the last chord stays.
    void Clear();

    // Bit n: a note of pitch class n sounds on some channel.
    std::uint16_t GetPitchClasses() const { return m_wPitchClasses; }
    // The lowest sounding note, -1 when none sounds.
    int GetLowest() const;
    bool IsSilent() const { return m_nCount == 0; }
    // The pitch classes of the last chord played and its lowest note (-1: none played yet).
    std::uint16_t GetLastChord() const { return m_wLastChord; }
    int GetLastChordLowest() const { return m_nLastChordLowest; }

    // True once after any change of the sounding notes.
    bool TakeChanged();

private:
    void Recount();

    // Bit c of element n: note n sounds on channel c.
    std::array<std::uint16_t, 128> m_wChannels{};
    int m_nCount = 0;
    std::uint16_t m_wPitchClasses = 0;
    std::uint16_t m_wLastChord = 0;
    int m_nLastChordLowest = -1;
    int m_nLastChordSize = 0;
    bool m_bChanged = false;
};
