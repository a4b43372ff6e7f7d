#pragma once

#include <cstdint>
#include <memory>

// One event of a track: a channel message, a SysEx or a meta event, with the ticks since the
// previous event of its list. For a note-on m_nLength is its duration (the note-off is not
// stored); for SysEx and meta events it is the number of bytes at m_pData.
class CMidiEvent {
public:
    CMidiEvent() = default;
    CMidiEvent(const CMidiEvent& other);
    CMidiEvent& operator=(const CMidiEvent& other);
    CMidiEvent(CMidiEvent&&) noexcept = default;
    CMidiEvent& operator=(CMidiEvent&&) noexcept = default;
    ~CMidiEvent() = default;

    static constexpr std::uint8_t kSysEx = 0xF0;
    static constexpr std::uint8_t kSysExEscape = 0xF7;
    static constexpr std::uint8_t kMeta = 0xFF;
    static constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
    static constexpr std::uint8_t kMetaKeySignature = 0x59;
    static constexpr std::uint8_t kMetaSequencer = 0x7F;

    bool IsChannelMessage() const { return m_status >= 0x80 && m_status < 0xF0; }
    bool IsNoteOn() const { return (m_status & 0xF0) == 0x90; }
    bool IsSysEx() const { return m_status == kSysEx || m_status == kSysExEscape; }
    bool IsMeta() const { return m_status == kMeta; }
    // Whether m_nLength counts bytes at m_pData (SysEx and meta events).
    bool HasData() const { return IsSysEx() || IsMeta(); }
    std::uint8_t GetChannel() const { return m_status & 0x0F; }

    // Replaces the data with a copy of nLength bytes and sets m_nLength.
    void SetData(const std::uint8_t* pData, std::uint32_t nLength);

    bool operator==(const CMidiEvent& other) const;

    std::uint32_t m_nDelta = 0;
    std::uint8_t m_status = 0;
    std::uint8_t m_data1 = 0;
    std::uint8_t m_data2 = 0;
    std::uint32_t m_nLength = 0;
    std::unique_ptr<std::uint8_t[]> m_pData;
};
