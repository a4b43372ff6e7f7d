#include "files/LockedFile.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>

namespace {
std::error_code LastError() {
    return {errno != 0 ? errno : EIO, std::generic_category()};
}
} // namespace

CLockedFile::~CLockedFile() {
    Close();
}

#if !defined(_WIN32)

namespace {
// Whether the descriptor still is the file the name leads to: a name removed (and perhaps
// made again) by someone else no longer is.
bool IsSameFile(int fd, const std::filesystem::path& path) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}
} // namespace

std::error_code CLockedFile::Create(const std::filesystem::path& path) {
    Close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return LastError();
    }
    // Between the creation and the lock someone cleaning up may have found the file unlocked:
    // it is theirs to remove then, and this name is given up. A file system without locks
    // still takes the file; nobody can take its lock to remove it either.
    const bool bTaken = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (bTaken || !IsSameFile(fd, path)) {
        ::close(fd);
        return std::make_error_code(std::errc::resource_unavailable_try_again);
    }
    m_fd = fd;
    m_path = path;
    return {};
}

std::error_code CLockedFile::Write(const std::uint8_t* pData, std::size_t nSize) {
    while (nSize > 0) {
        const ssize_t nWritten = ::write(m_fd, pData, nSize);
        if (nWritten < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastError();
        }
        pData += nWritten;
        nSize -= static_cast<std::size_t>(nWritten);
    }
    return {};
}

std::error_code CLockedFile::Sync() {
    return ::fsync(m_fd) == 0 ? std::error_code() : LastError();
}

std::error_code CLockedFile::SetPermissions(std::filesystem::perms permissions) {
    const auto mode = static_cast<mode_t>(permissions & std::filesystem::perms::mask);
    return ::fchmod(m_fd, mode) == 0 ? std::error_code() : LastError();
}

std::error_code CLockedFile::RenameTo(const std::filesystem::path& target) {
    // Renamed while still locked: nobody can take the finished file for a leftover first.
    if (::rename(m_path.c_str(), target.c_str()) != 0) {
        return LastError();
    }
    m_path.clear();
    const std::error_code ec = Close();
    // The new name lasts across a crash once its directory is on the disk; a failure here
    // loses nothing written.
    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
    const int fdDir = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdDir >= 0) {
        ::fsync(fdDir);
        ::close(fdDir);
    }
    return ec;
}

void CLockedFile::Discard() {
    if (m_fd >= 0) {
        ::unlink(m_path.c_str());
        Close();
    }
    m_path.clear();
}

std::error_code CLockedFile::Close() {
    if (m_fd < 0) {
        return {};
    }
    const int nResult = ::close(m_fd);
    m_fd = -1;
    return nResult == 0 ? std::error_code() : LastError();
}

bool CLockedFile::IsOpen() const {
    return m_fd >= 0;
}

bool CLockedFile::RemoveIfAbandoned(const std::filesystem::path& path) {
    // Links are not followed: whatever a link leads to is not ours to remove.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    bool bRemoved = false;
    // Holding the lock, the file is ours: its writer is gone, and one that comes now to make a
    // file of this name fails to lock it and gives the name up.
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        IsSameFile(fd, path)) {
        bRemoved = ::unlink(path.c_str()) == 0;
    }
    ::close(fd);
    return bRemoved;
}

#else

std::error_code CLockedFile::Create(const std::filesystem::path& path) {
    Close();
    std::error_code ec;
    if (std::filesystem::exists(path, ec) || ec) {
        return ec ? ec : std::make_error_code(std::errc::file_exists);
    }
    m_file.open(path, std::ios::binary | std::ios::trunc);
    if (!m_file) {
        return LastError();
    }
    m_path = path;
    return {};
}

std::error_code CLockedFile::Write(const std::uint8_t* pData, std::size_t nSize) {
    m_file.write(reinterpret_cast<const char*>(pData), static_cast<std::streamsize>(nSize));
    return m_file ? std::error_code() : LastError();
}

std::error_code CLockedFile::Sync() {
    // The standard library cannot force bytes to the disk; the rename that follows still never
    // leaves a half-written target.
    m_file.flush();
    return m_file ? std::error_code() : LastError();
}

std::error_code CLockedFile::SetPermissions(std::filesystem::perms permissions) {
    std::error_code ec;
    std::filesystem::permissions(m_path, permissions, ec);
    return ec;
}

std::error_code CLockedFile::RenameTo(const std::filesystem::path& target) {
    // An open file cannot be renamed here: it is closed first.
    std::error_code ec = Close();
    if (!ec) {
        std::filesystem::rename(m_path, target, ec);
    }
    if (!ec) {
        m_path.clear();
    }
    return ec;
}

void CLockedFile::Discard() {
    Close();
    std::error_code ec;
    if (!m_path.empty()) {
        std::filesystem::remove(m_path, ec);
        m_path.clear();
    }
}

std::error_code CLockedFile::Close() {
    if (!m_file.is_open()) {
        return {};
    }
    m_file.close();
    return m_file ? std::error_code() : LastError();
}

bool CLockedFile::IsOpen() const {
    return m_file.is_open();
}

bool CLockedFile::RemoveIfAbandoned(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec))) {
        return false;
    }
    // A file its writer still holds open cannot be removed here.
    return std::filesystem::remove(path, ec);
}

#endif
