#include "files/SafeReplace.h"
#include "ChildProgram.h"
#include "TestFiles.h"
#include "files/LockedFile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::error_code Replace(const std::filesystem::path& path, const Bytes& bytes) {
    return CSafeReplace::Replace(path, bytes.data(), bytes.size());
}

bool Exists(const std::filesystem::path& path) {
    return std::filesystem::exists(std::filesystem::symlink_status(path));
}

TEST(SafeReplace, ASaveRemovesTheLeftoversOfWritersThatAreGoneOnly) {
    const std::filesystem::path dir = FreshDir("leftovers");
    const Bytes old(3 * 1024 * 1024, 0x55);
    WriteFile(dir / "elsewhere.bin", old);
    // A save still going on in this program holds its file.
    CLockedFile live;
    ASSERT_FALSE(live.Create(dir / ".vorkeln-0000000b.tmp"));
    const struct {
        const char* pszName;
        std::function<void(const std::filesystem::path&)> fnMake;
        bool bKept;
    } cases[] = {
        {".vorkeln-0000000a.tmp", [&](const auto& path) { WriteFile(path, old); }, false},
        {".vorkeln-0000000b.tmp", [](const auto&) {}, true},
        {".vorkeln-0000000c.tmp",
         [&](const auto& path) { std::filesystem::create_symlink(dir / "elsewhere.bin", path); },
         true},
        {".vorkeln-0000000d.tmp", [](const auto& path) { std::filesystem::create_directory(path); },
         true},
        {".vorkeln-0000000a.tmp.bak", [&](const auto& path) { WriteFile(path, old); }, true},
        {"song.mid.tmp", [&](const auto& path) { WriteFile(path, old); }, true},
    };
    for (const auto& c : cases) {
        c.fnMake(dir / c.pszName);
    }
    ASSERT_FALSE(Replace(dir / "song.mid", {1, 2, 3}));
    for (const auto& c : cases) {
        EXPECT_EQ(Exists(dir / c.pszName), c.bKept) << c.pszName;
    }
    EXPECT_EQ(FileBytes(dir / "song.mid"), (Bytes{1, 2, 3}));
    EXPECT_EQ(FileBytes(dir / "elsewhere.bin"), old);
    // Once its writer is done with it, the next save takes that one too.
    live.Close();
    ASSERT_FALSE(Replace(dir / "song.mid", {4}));
    EXPECT_FALSE(Exists(dir / ".vorkeln-0000000b.tmp"));
}

TEST(SafeReplace, AWriterKilledMidSaveLeavesAFileOnlyUntilTheNextSave) {
    const std::filesystem::path dir = FreshDir("killed");
    const std::filesystem::path temp = dir / ".vorkeln-7e57f11e.tmp";
    CChildProgram writer([&temp] {
        // Still writing when it is killed.
        auto* pFile = new CLockedFile;
        const Bytes part(1024 * 1024, 0x42);
        if (!pFile->Create(temp)) {
            pFile->Write(part.data(), part.size());
        }
    });
    ASSERT_TRUE(writer.IsReady());
    // Alive, the other program keeps its file whatever is saved here.
    ASSERT_FALSE(Replace(dir / "mine.mid", {1}));
    EXPECT_TRUE(Exists(temp));
    writer.Kill();
    EXPECT_TRUE(Exists(temp));
    ASSERT_FALSE(Replace(dir / "mine.mid", {2}));
    EXPECT_FALSE(Exists(temp));
    EXPECT_EQ(FileBytes(dir / "mine.mid"), (Bytes{2}));
}

TEST(SafeReplace, NamesAsLongAsTheSystemTakesAreReplaced) {
    const std::filesystem::path dir = FreshDir("long-names");
    for (const std::size_t nLength : {1u, 200u, 248u, 249u, 255u}) {
        const std::filesystem::path path = dir / std::string(nLength, 'n');
        WriteFile(path, {9, 9});
        EXPECT_FALSE(Replace(path, {7})) << nLength;
        EXPECT_EQ(FileBytes(path), (Bytes{7})) << nLength;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              5);
}

} // namespace
