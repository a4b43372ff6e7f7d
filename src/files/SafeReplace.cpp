#include "files/SafeReplace.h"

#include "files/LockedFile.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <string>

namespace {
// Names tried for the temporary file before a save gives up.
constexpr int kMaxTempNames = 100;
constexpr std::size_t kTempDigits = 8;

// The file a save replaces: the path itself, or the file its symbolic links lead to. An error
// for a loop of links.
std::error_code FollowLinks(std::filesystem::path& path) {
    for (int i = 0; i <= CSafeReplace::kMaxLinks; ++i) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(path, ec)) {
            return {};
        }
        if (i == CSafeReplace::kMaxLinks) {
            break;
        }
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (ec) {
            return ec;
        }
        // A relative link is relative to its own directory; the system resolves the rest.
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return std::make_error_code(std::errc::too_many_symbolic_link_levels);
}

// A name for the temporary file beside target; a clash only means another name is tried.
std::filesystem::path TemporaryName(const std::filesystem::path& target) {
    static std::atomic<unsigned> s_nCount{0};
    const auto nClock =
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    char name[32];
    std::snprintf(
        name, sizeof name, "%.*s%08x%.*s", static_cast<int>(CSafeReplace::kTempPrefix.size()),
        CSafeReplace::kTempPrefix.data(), nClock ^ (s_nCount++ * 0x9E3779B9u),
        static_cast<int>(CSafeReplace::kTempSuffix.size()), CSafeReplace::kTempSuffix.data());
    return target.parent_path() / name;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}
} // namespace

bool CSafeReplace::IsTemporaryName(std::string_view name) {
    if (name.size() != kTempPrefix.size() + kTempDigits + kTempSuffix.size() ||
        name.substr(0, kTempPrefix.size()) != kTempPrefix ||
        name.substr(name.size() - kTempSuffix.size()) != kTempSuffix) {
        return false;
    }
    for (const char c : name.substr(kTempPrefix.size(), kTempDigits)) {
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0) {
            return false;
        }
    }
    return true;
}

void CSafeReplace::RemoveLeftovers(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (IsTemporaryName(it->path().filename().string())) {
            CLockedFile::RemoveIfAbandoned(it->path());
        }
    }
}

std::error_code CSafeReplace::Replace(const std::filesystem::path& path, const std::uint8_t* pData,
                                      std::size_t nSize) {
    std::filesystem::path target = path;
    if (const std::error_code ec = FollowLinks(target)) {
        return ec;
    }
    RemoveLeftovers(FolderOf(target));

    CLockedFile file;
    std::error_code ec;
    for (int i = 0; i < kMaxTempNames; ++i) {
        ec = file.Create(TemporaryName(target));
        if (ec != std::errc::file_exists && ec != std::errc::resource_unavailable_try_again) {
            break;
        }
    }
    if (ec) {
        return ec;
    }
    std::error_code ecStatus;
    const std::filesystem::file_status old = std::filesystem::status(target, ecStatus);
    if (std::filesystem::exists(old)) {
        ec = file.SetPermissions(old.permissions());
    }
    if (!ec) {
        ec = file.Write(pData, nSize);
    }
    if (!ec) {
        ec = file.Sync();
    }
    if (!ec) {
        ec = file.RenameTo(target);
    }
    if (ec) {
        file.Discard();
    }
    return ec;
}
