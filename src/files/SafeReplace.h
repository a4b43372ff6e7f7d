#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

// Replaces a file by new bytes so that it is at every moment either the old file or the whole
// new one: the bytes go to a new temporary file beside the target, reach the disk, and take the
// target's place in one rename. Songs, drawings and recovery files are all saved this way.
// Nothing here prints or shows anything.
class CSafeReplace {
public:
    // Temporary files are named ".vorkeln-XXXXXXXX.tmp" (eight hex digits): short whatever
    // the target's name, so they fit wherever the target does.
    static constexpr std::string_view kTempPrefix = ".vorkeln-";
    static constexpr std::string_view kTempSuffix = ".tmp";
    // Symbolic links followed to the file replaced, as many as the system follows on open.
    static constexpr int kMaxLinks = 40;

    // Puts the bytes in place of target. A symbolic link is kept: the file it leads to (which
    // need not exist yet) is replaced; a replaced file keeps its permissions, a new one gets
    // those of any new file. Temporary files that earlier saves into the same folder left
    // behind when their writer died are removed first. On failure the cause is returned, and
    // target and its folder are as they were.
    static std::error_code Replace(const std::filesystem::path& target, const std::uint8_t* pData,
                                   std::size_t nSize);
    // Removes the temporary files in folder whose writer is gone; those of saves still being
    // written, by this program or another, stay.
    static void RemoveLeftovers(const std::filesystem::path& folder);
    static bool IsTemporaryName(std::string_view name);
};
