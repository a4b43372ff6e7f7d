#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

// The bytes of one "MTrk" chunk, without its type and length.
using CTrackChunk = std::vector<std::uint8_t>;

// A Standard MIDI File as a header and raw track chunks. Reading never looks past the data and
// never allocates more than the file's size; writing goes through a temporary file and a rename,
// so a failed write leaves an existing file whole. Nothing here prints or shows anything.
class CMidiFile {
public:
    // Reads the header and every track chunk the header announces, as far as the file holds
    // them. False (and the header fields unchanged) when the file cannot be read, does not start
    // with a six-byte "MThd" header or holds a chunk of another type than "MTrk".
    bool Read(const std::filesystem::path& path);
    bool ReadMemory(const std::uint8_t* pData, std::size_t nSize);
    // Writes the header fields and the first m_nTracks chunks. False when the file could not be
    // written completely; an existing file is then left as it was.
    bool Write(const std::filesystem::path& path) const;
    // The bytes Write stores.
    void Serialise(std::vector<std::uint8_t>& out) const;
    void ReleaseChunks() { m_chunks.clear(); }

    std::vector<CTrackChunk> m_chunks;
    std::uint32_t m_nFormat = 1;
    std::uint32_t m_nTracks = 0;
    std::uint32_t m_nDivision = 384;
};
