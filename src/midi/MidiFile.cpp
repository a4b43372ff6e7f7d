#include "midi/MidiFile.h"

#include "files/SafeReplace.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <new>
#include <system_error>

namespace {
constexpr std::size_t kHeaderSize = 14;
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::uint32_t kHeaderLength = 6;

std::uint32_t ReadBig(const std::uint8_t* p, std::size_t nBytes) {
    std::uint32_t nValue = 0;
    for (std::size_t i = 0; i < nBytes; ++i) {
        nValue = (nValue << 8) | p[i];
    }
    return nValue;
}

void WriteBig(std::vector<std::uint8_t>& out, std::uint32_t nValue, std::size_t nBytes) {
    for (std::size_t i = nBytes; i-- > 0;) {
        out.push_back(static_cast<std::uint8_t>(nValue >> (8 * i)));
    }
}

bool HasTag(const std::uint8_t* p, const char* pTag) {
    return p[0] == static_cast<std::uint8_t>(pTag[0]) &&
           p[1] == static_cast<std::uint8_t>(pTag[1]) &&
           p[2] == static_cast<std::uint8_t>(pTag[2]) && p[3] == static_cast<std::uint8_t>(pTag[3]);
}

void AppendTag(std::vector<std::uint8_t>& out, const char* pTag) {
    out.insert(out.end(), pTag, pTag + 4);
}

} // namespace

CFileResult CMidiFile::Read(const std::filesystem::path& path) {
    ReleaseChunks();
    // Only plain files: a directory or a device has no size to trust.
    if (CFileResult result = CFileResult::CheckPlainFile(path, EFileError::NotMidi); !result) {
        return result;
    }
    std::error_code ec;
    const std::uintmax_t nSize = std::filesystem::file_size(path, ec);
    if (ec) {
        return ec;
    }
    if (nSize == 0 || nSize > std::numeric_limits<std::size_t>::max()) {
        return EFileError::NotMidi;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return CFileResult::NotOpened();
    }
    // Memory follows the file's own size; a file larger than memory allows is refused.
    std::vector<std::uint8_t> data;
    try {
        data.resize(static_cast<std::size_t>(nSize));
    } catch (const std::bad_alloc&) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
    file.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(file.gcount()));
    if (!ReadMemory(data.data(), data.size())) {
        return EFileError::NotMidi;
    }
    return {};
}

bool CMidiFile::ReadMemory(const std::uint8_t* pData, std::size_t nSize) {
    ReleaseChunks();
    if (nSize < kHeaderSize || !HasTag(pData, "MThd") || ReadBig(pData + 4, 4) != kHeaderLength) {
        return false;
    }
    const std::uint32_t nAnnounced = ReadBig(pData + 10, 2);
    std::vector<CTrackChunk> chunks;
    std::size_t nOffset = kHeaderSize;
    // The header's count is only a promise: chunks are read while the file holds them, and a
    // chunk's length is cut to the bytes that are there.
    while (chunks.size() < nAnnounced && nSize - nOffset >= kChunkHeaderSize) {
        if (!HasTag(pData + nOffset, "MTrk")) {
            return false;
        }
        const std::size_t nLength = std::min<std::size_t>(ReadBig(pData + nOffset + 4, 4),
                                                          nSize - nOffset - kChunkHeaderSize);
        nOffset += kChunkHeaderSize;
        chunks.emplace_back(pData + nOffset, pData + nOffset + nLength);
        nOffset += nLength;
    }
    // Without a single track chunk there is nothing to load; the header fields stay as they are.
    if (chunks.empty()) {
        return false;
    }
    m_nFormat = ReadBig(pData + 8, 2);
    m_nDivision = ReadBig(pData + 12, 2);
    m_nTracks = static_cast<std::uint32_t>(chunks.size());
    m_chunks = std::move(chunks);
    return true;
}

bool CMidiFile::Serialise(std::vector<std::uint8_t>& out) const {
    out.clear();
    const std::size_t nTracks = std::min<std::size_t>(m_nTracks, m_chunks.size());
    if (nTracks > kMaxTracks) {
        return false;
    }
    std::size_t nSize = kHeaderSize;
    for (std::size_t i = 0; i < nTracks; ++i) {
        // What could not be read back is not written: a chunk's length has 32 bits.
        if (m_chunks[i].size() > kMaxChunkSize) {
            return false;
        }
        nSize += kChunkHeaderSize + m_chunks[i].size();
    }
    out.reserve(nSize);
    AppendTag(out, "MThd");
    WriteBig(out, kHeaderLength, 4);
    WriteBig(out, m_nFormat, 2);
    WriteBig(out, static_cast<std::uint32_t>(nTracks), 2);
    WriteBig(out, m_nDivision, 2);
    for (std::size_t i = 0; i < nTracks; ++i) {
        AppendTag(out, "MTrk");
        WriteBig(out, static_cast<std::uint32_t>(m_chunks[i].size()), 4);
        out.insert(out.end(), m_chunks[i].begin(), m_chunks[i].end());
    }
    return true;
}

CFileResult CMidiFile::Write(const std::filesystem::path& path) const {
    std::vector<std::uint8_t> bytes;
    if (!Serialise(bytes)) {
        return EFileError::Unwritable;
    }
    return CSafeReplace::Replace(path, bytes.data(), bytes.size());
}
