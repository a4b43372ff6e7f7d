#include "files/RecoveryFile.h"

#include "files/SafeReplace.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {
// Slot names tried before Open gives up.
constexpr int kMaxSlotNames = 100;

bool HasForm(const std::string& name, std::string_view suffix) {
    return name.size() > CRecoveryFile::kPrefix.size() + suffix.size() &&
           name.compare(0, CRecoveryFile::kPrefix.size(), CRecoveryFile::kPrefix) == 0 &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::filesystem::path WithSuffix(const std::filesystem::path& path, std::string_view suffix) {
    std::filesystem::path other = path;
    other.replace_extension(std::filesystem::path(std::string(suffix)));
    return other;
}

// Whether the program that wrote the recovery file at path is gone: its lock is gone, or
// nobody holds it (it is removed then).
bool IsAbandoned(const std::filesystem::path& path) {
    const std::filesystem::path lock = WithSuffix(path, CRecoveryFile::kLockSuffix);
    std::error_code ec;
    const bool bLocked = std::filesystem::exists(std::filesystem::symlink_status(lock, ec));
    return !bLocked || CLockedFile::RemoveIfAbandoned(lock);
}
} // namespace

CRecoveryFile::~CRecoveryFile() {
    Close();
}

std::error_code CRecoveryFile::Open(const std::filesystem::path& folder) {
    Close();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        return ec;
    }
    std::random_device device;
    std::mt19937 random(device());
    for (int i = 0; i < kMaxSlotNames; ++i) {
        char stem[32];
        std::snprintf(stem, sizeof stem, "%.*s%08x", static_cast<int>(kPrefix.size()),
                      kPrefix.data(), static_cast<unsigned>(random()));
        const std::filesystem::path path = folder / (std::string(stem) + std::string(kFileSuffix));
        ec = m_lock.Create(WithSuffix(path, kLockSuffix));
        if (ec == std::errc::file_exists || ec == std::errc::resource_unavailable_try_again) {
            continue;
        }
        if (ec) {
            return ec;
        }
        // A recovery file of this name left by another program stays that program's.
        if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
            m_lock.Discard();
            continue;
        }
        m_folder = folder;
        m_path = path;
        break;
    }
    if (!IsOpen()) {
        return ec ? ec : std::make_error_code(std::errc::file_exists);
    }
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (HasForm(it->path().filename().string(), kLockSuffix)) {
            CLockedFile::RemoveIfAbandoned(it->path());
        }
    }
    return {};
}

void CRecoveryFile::Close() {
    if (!IsOpen()) {
        return;
    }
    // The file goes before the lock: a file without a lock is one to take over.
    Remove();
    m_lock.Discard();
    m_path.clear();
    m_folder.clear();
}

std::error_code CRecoveryFile::Write(const std::uint8_t* pData, std::size_t nSize) {
    if (!IsOpen()) {
        return std::make_error_code(std::errc::bad_file_descriptor);
    }
    return CSafeReplace::Replace(m_path, pData, nSize);
}

void CRecoveryFile::Remove() {
    std::error_code ec;
    if (!m_path.empty()) {
        std::filesystem::remove(m_path, ec);
    }
}

bool CRecoveryFile::TakeOverAbandoned() {
    if (!IsOpen()) {
        return false;
    }
    std::vector<std::pair<std::filesystem::file_time_type, std::filesystem::path>> found;
    std::error_code ec;
    std::filesystem::directory_iterator it(m_folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::filesystem::path& path = it->path();
        std::error_code ecFile;
        if (path != m_path && HasForm(path.filename().string(), kFileSuffix) &&
            std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ecFile))) {
            found.emplace_back(std::filesystem::last_write_time(path, ecFile), path);
        }
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a > b; });
    for (const auto& [time, path] : found) {
        if (!IsAbandoned(path)) {
            continue;
        }
        // A rename either takes the whole file or finds it taken by another program starting.
        std::error_code ecMove;
        std::filesystem::rename(path, m_path, ecMove);
        if (!ecMove) {
            return true;
        }
    }
    return false;
}
