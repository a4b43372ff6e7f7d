#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

// The bytes of one "MTrk" chunk, without its type and length.
using CTrackChunk = std::vector<std::uint8_t>;

// A Standard MIDI File as a header and raw track chunks. Reading never looks past the data and
// never allocates more than the file's size; writing goes through a new temporary file beside
// the target and a rename, so a failed write leaves an existing file whole. Nothing here prints
// or shows anything.
class CMidiFile {
public:
    // The largest file Read takes. Songs are a few hundred kilobytes; this leaves them room
    // while a stray huge file cannot exhaust memory.
    static constexpr std::uintmax_t kMaxFileSize = 16 * 1024 * 1024;
    // The most track chunks the header's 16-bit count can announce.
    static constexpr std::size_t kMaxTracks = 0xFFFF;

    // Reads the header and every track chunk the header announces, as far as the file holds
    // them. False (and the header fields unchanged) when the file cannot be read, is larger than
    // kMaxFileSize, does not start with a six-byte "MThd" header, holds no track chunk at all or
    // holds a chunk of another type than "MTrk".
    bool Read(const std::filesystem::path& path);
    bool ReadMemory(const std::uint8_t* pData, std::size_t nSize);
    // Writes the header fields and the first m_nTracks chunks. False when there are more than
    // kMaxTracks of them, when the file would be larger than kMaxFileSize or when it could not be
    // written completely; an existing file is then left as it was. A symbolic link is kept: the
    // file it leads to is replaced, and a replaced file keeps its permissions.
    bool Write(const std::filesystem::path& path) const;
    // The bytes Write stores; false (and out empty) when there are more than kMaxTracks chunks
    // or they would make a file larger than kMaxFileSize.
    bool Serialise(std::vector<std::uint8_t>& out) const;
    void ReleaseChunks() { m_chunks.clear(); }

    std::vector<CTrackChunk> m_chunks;
    std::uint32_t m_nFormat = 1;
    std::uint32_t m_nTracks = 0;
    std::uint32_t m_nDivision = 384;
};
