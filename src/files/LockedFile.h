#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <fstream>
#endif

// A new file that its writer holds locked for as long as it keeps the file open, so that anyone
// can tell a file still being written from one left behind by a writer that is gone: the lock
// goes with the writer's process, whatever way that ends. Nothing here prints or shows anything.
//
// On POSIX systems the lock is an advisory flock(2) on the open file. Elsewhere the standard
// library's files stand in: there (on Windows) a file held open cannot be removed, which is the
// only question others ask of it.
class CLockedFile {
public:
    CLockedFile() = default;
    ~CLockedFile();
    CLockedFile(const CLockedFile&) = delete;
    CLockedFile& operator=(const CLockedFile&) = delete;

    // Creates path, which must not exist yet, for writing and takes its lock. An error (and no
    // file of ours at path) when the name is taken, the file cannot be made, or someone took the
    // lock of the new file before us and will remove it: the caller tries another name. A
    // file this object had open before is closed first.
    std::error_code Create(const std::filesystem::path& path);
    std::error_code Write(const std::uint8_t* pData, std::size_t nSize);
    // The bytes written so far reach the disk before this returns.
    std::error_code Sync();
    std::error_code SetPermissions(std::filesystem::perms permissions);
    // Moves the file in place of target, which is replaced whole; where the system allows, the
    // lock is kept until the move is done and the move lasts across a crash once this returns.
    // The file is closed afterwards and no longer this object's.
    std::error_code RenameTo(const std::filesystem::path& target);
    // Closes and removes the file (one not moved by RenameTo).
    void Discard();
    // Closes the file, which ends the lock; the file itself stays.
    std::error_code Close();
    bool IsOpen() const;
    // The file created, until it is moved or discarded.
    const std::filesystem::path& GetPath() const { return m_path; }

    // Removes path when it is a plain file whose writer is gone; true when it was removed. A
    // file still held by a live writer, in this process or another, is left alone, and so is
    // anything at path that is not a plain file.
    static bool RemoveIfAbandoned(const std::filesystem::path& path);

private:
    std::filesystem::path m_path;
#if !defined(_WIN32)
    int m_fd = -1;
#else
    std::ofstream m_file;
#endif
};
