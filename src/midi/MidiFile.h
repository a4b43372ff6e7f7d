#pragma once

#include "files/FileResult.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

// The bytes of one "MTrk" chunk, without its type and length.
using CTrackChunk = std::vector<std::uint8_t>;

// A Standard MIDI File as a header and raw track chunks. Reading never looks past the data and
// never allocates more than the file's size; writing goes through the safe replacement of
// CSafeReplace, so a failed write leaves an existing file whole. Nothing here prints or shows
// anything.
class CMidiFile {
public:
    // The most track chunks the header's 16-bit count can announce.
    static constexpr std::size_t kMaxTracks = 0xFFFF;
    // The longest chunk its 32-bit length can announce.
    static constexpr std::size_t kMaxChunkSize = 0xFFFFFFFF;

    // Reads the header and every track chunk the header announces, as far as the file holds
    // them. Fails (and the header fields stay unchanged) with the system's reason when the file
    // cannot be read or is larger than memory allows, and with EFileError::NotMidi when it is no
    // plain file, does not start with a six-byte "MThd" header, holds no track chunk at all or
    // holds a chunk of another type than "MTrk".
    CFileResult Read(const std::filesystem::path& path);
    bool ReadMemory(const std::uint8_t* pData, std::size_t nSize);
    // Writes the header fields and the first m_nTracks chunks. Fails with
    // EFileError::Unwritable when Serialise refuses, and with the system's reason when the file
    // could not be written completely; an existing file is then left as it was. A symbolic link
    // is kept: the file it leads to is replaced, and a replaced file keeps its permissions.
    CFileResult Write(const std::filesystem::path& path) const;
    // The bytes Write stores; false (and out empty) when there are more than kMaxTracks chunks
    // or one longer than kMaxChunkSize.
    bool Serialise(std::vector<std::uint8_t>& out) const;
    void ReleaseChunks() { m_chunks.clear(); }

    std::vector<CTrackChunk> m_chunks;
    std::uint32_t m_nFormat = 1;
    std::uint32_t m_nTracks = 0;
    std::uint32_t m_nDivision = 384;
};
