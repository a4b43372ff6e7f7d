#include "midi/MidiFile.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace {
constexpr std::size_t kHeaderSize = 14;
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::uint32_t kHeaderLength = 6;
// Symbolic links followed to the file a save replaces, as many as the system follows on open.
constexpr int kMaxLinks = 40;
// Names tried for the temporary file before a save gives up.
constexpr int kMaxTempNames = 100;

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

// The file a save replaces: the path itself, or the file its symbolic links lead to (which need
// not exist yet). False for a loop of links.
bool FollowLinks(std::filesystem::path& path) {
    for (int i = 0; i <= kMaxLinks; ++i) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(path, ec)) {
            return true;
        }
        if (i == kMaxLinks) {
            break;
        }
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (ec) {
            return false;
        }
        // A relative link is relative to its own directory; the system resolves the rest.
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return false;
}

// A name for the temporary file beside target. It is short whatever the target's name, so it
// fits wherever the target does; a clash only means another name is tried.
std::filesystem::path TemporaryName(const std::filesystem::path& target) {
    static std::atomic<unsigned> s_nCount{0};
    const auto nClock =
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    char name[32];
    std::snprintf(name, sizeof name, ".vorkeln-%08x.tmp", nClock ^ (s_nCount++ * 0x9E3779B9u));
    return target.parent_path() / name;
}

#if !defined(_WIN32)
// Creates a new file beside target under a name no other file has; its descriptor, or -1. The
// mode is the usual one of a new file (0666 less the umask).
int CreateTemporary(const std::filesystem::path& target, std::filesystem::path& tempPath) {
    for (int i = 0; i < kMaxTempNames; ++i) {
        tempPath = TemporaryName(target);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

bool WriteAll(int fd, const std::uint8_t* p, std::size_t nSize) {
    while (nSize > 0) {
        const ssize_t nWritten = ::write(fd, p, nSize);
        if (nWritten < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += nWritten;
        nSize -= static_cast<std::size_t>(nWritten);
    }
    return true;
}

// Makes a rename in the directory last across a crash; a failure here loses nothing written.
void SyncDirectory(const std::filesystem::path& file) {
    const std::filesystem::path dir = file.has_parent_path() ? file.parent_path() : ".";
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Puts bytes in place of target through a new file that is complete on the disk before the
// rename; errno tells why when it fails, and target is then untouched.
bool ReplaceFile(const std::filesystem::path& target, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::path tempPath;
    const int fd = CreateTemporary(target, tempPath);
    if (fd < 0) {
        return false;
    }
    // A file replaced keeps its permissions.
    struct stat old {};
    bool bWritten = ::stat(target.c_str(), &old) != 0 ||
                    ::fchmod(fd, old.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO)) == 0;
    bWritten = bWritten && WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    bWritten = ::close(fd) == 0 && bWritten;
    if (!bWritten || ::rename(tempPath.c_str(), target.c_str()) != 0) {
        const int nError = errno;
        ::unlink(tempPath.c_str());
        errno = nError;
        return false;
    }
    SyncDirectory(target);
    return true;
}
#else
// The same with the standard library's files: a rename still never leaves a half-written
// target, but nothing forces the bytes to the disk before it.
bool ReplaceFile(const std::filesystem::path& target, const std::vector<std::uint8_t>& bytes) {
    std::error_code ec;
    std::filesystem::path tempPath;
    int nTries = 0;
    do {
        if (++nTries > kMaxTempNames) {
            errno = EEXIST;
            return false;
        }
        tempPath = TemporaryName(target);
    } while (std::filesystem::exists(tempPath, ec));
    std::ofstream file(tempPath, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        const int nError = errno != 0 ? errno : EIO;
        std::filesystem::remove(tempPath, ec);
        errno = nError;
        return false;
    }
    // A file replaced keeps its permissions.
    std::error_code ecStatus;
    const std::filesystem::file_status old = std::filesystem::status(target, ecStatus);
    ec.clear();
    if (std::filesystem::exists(old)) {
        std::filesystem::permissions(tempPath, old.permissions(), ec);
    }
    if (!ec) {
        std::filesystem::rename(tempPath, target, ec);
    }
    if (ec) {
        const std::error_condition cause = ec.default_error_condition();
        std::filesystem::remove(tempPath, ec);
        errno = cause.category() == std::generic_category() ? cause.value() : EIO;
        return false;
    }
    return true;
}
#endif
} // namespace

bool CMidiFile::Read(const std::filesystem::path& path) {
    ReleaseChunks();
    // Only plain files: a directory or a device has no size to trust.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return false;
    }
    const std::uintmax_t nSize = std::filesystem::file_size(path, ec);
    if (ec || nSize == 0 || nSize > kMaxFileSize) {
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::vector<std::uint8_t> data(static_cast<std::size_t>(nSize));
    file.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(file.gcount()));
    return ReadMemory(data.data(), data.size());
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
        nSize += kChunkHeaderSize + m_chunks[i].size();
    }
    // What could not be read back is not written.
    if (nSize > kMaxFileSize) {
        return false;
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

bool CMidiFile::Write(const std::filesystem::path& path) const {
    std::vector<std::uint8_t> bytes;
    if (!Serialise(bytes)) {
        return false;
    }
    std::filesystem::path target = path;
    if (!FollowLinks(target)) {
        return false;
    }
    return ReplaceFile(target, bytes);
}
