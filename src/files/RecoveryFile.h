#pragma once

#include "files/LockedFile.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

// The recovery file of one running program, in a folder that every running copy of the program
// shares. Each copy claims a slot of its own: it holds the lock of "song-XXXXXXXX.lock" for as
// long as it runs and keeps its recovery file in "song-XXXXXXXX.mid" beside it, so two copies
// never write the same file. A recovery file whose lock nobody holds was left by a program that
// did not close properly; a program starting later may take it over. Nothing here prints or
// shows anything.
class CRecoveryFile {
public:
    static constexpr std::string_view kPrefix = "song-";
    static constexpr std::string_view kFileSuffix = ".mid";
    static constexpr std::string_view kLockSuffix = ".lock";

    CRecoveryFile() = default;
    ~CRecoveryFile();
    CRecoveryFile(const CRecoveryFile&) = delete;
    CRecoveryFile& operator=(const CRecoveryFile&) = delete;

    // Claims a slot in folder, which is made when it is missing, and removes the locks that
    // programs no longer running left there.
    std::error_code Open(const std::filesystem::path& folder);
    // Removes the recovery file and gives the slot up: what a clean exit does.
    void Close();
    bool IsOpen() const { return m_lock.IsOpen(); }
    // The slot's recovery file (which need not exist).
    const std::filesystem::path& GetPath() const { return m_path; }

    // The bytes become the recovery file, whole or not at all.
    std::error_code Write(const std::uint8_t* pData, std::size_t nSize);
    void Remove();
    // Moves the newest recovery file that a program no longer running left in the folder into
    // this slot, in place of whatever the slot held; false when there is none.
    bool TakeOverAbandoned();

private:
    CLockedFile m_lock;
    std::filesystem::path m_folder;
    std::filesystem::path m_path;
};
