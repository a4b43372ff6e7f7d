#include "files/RecoveryFile.h"
#include "ChildProgram.h"
#include "TestFiles.h"
#include "files/RecoveryWriter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::error_code Write(CRecoveryFile& file, const Bytes& bytes) {
    return file.Write(bytes.data(), bytes.size());
}

TEST(RecoveryFile, EveryProgramHasASlotOfItsOwn) {
    const std::filesystem::path dir = FreshDir("recovery-slots") / "made" / "here";
    CRecoveryFile first;
    CRecoveryFile second;
    ASSERT_FALSE(first.Open(dir));
    ASSERT_FALSE(second.Open(dir));
    ASSERT_NE(first.GetPath(), second.GetPath());
    ASSERT_FALSE(Write(first, {1}));
    ASSERT_FALSE(Write(second, {2}));
    ASSERT_FALSE(Write(first, {3}));
    EXPECT_EQ(FileBytes(first.GetPath()), (Bytes{3}));
    EXPECT_EQ(FileBytes(second.GetPath()), (Bytes{2}));
    EXPECT_EQ(FilesIn(dir).size(), 4u);
    // Neither takes the other's file over while both run.
    EXPECT_FALSE(first.TakeOverAbandoned());
    EXPECT_FALSE(second.TakeOverAbandoned());
    first.Close();
    EXPECT_EQ(FilesIn(dir).size(), 2u);
    second.Close();
    EXPECT_TRUE(FilesIn(dir).empty());
}

TEST(RecoveryFile, FilesOfProgramsThatAreGoneAreTakenOverNewestFirst) {
    const std::filesystem::path dir = FreshDir("recovery-abandoned");
    CRecoveryFile running;
    ASSERT_FALSE(running.Open(dir));
    ASSERT_FALSE(Write(running, {1}));
    // Left by crashes: one without its lock, a newer one with a lock nobody holds, and a
    // link and a folder of the same form that no program writes.
    WriteFile(dir / "song-00000001.mid", {10});
    WriteFile(dir / "song-00000002.mid", {20});
    WriteFile(dir / "song-00000002.lock", {});
    std::filesystem::last_write_time(dir / "song-00000001.mid",
                                     std::filesystem::file_time_type::clock::now() -
                                         std::chrono::hours(1));
    std::filesystem::create_symlink(dir / "song-00000002.mid", dir / "song-00000003.mid");
    std::filesystem::create_directory(dir / "song-00000004.mid");

    CRecoveryFile starting;
    ASSERT_FALSE(starting.Open(dir));
    ASSERT_TRUE(starting.TakeOverAbandoned());
    EXPECT_EQ(FileBytes(starting.GetPath()), (Bytes{20}));
    ASSERT_TRUE(starting.TakeOverAbandoned());
    EXPECT_EQ(FileBytes(starting.GetPath()), (Bytes{10}));
    EXPECT_FALSE(starting.TakeOverAbandoned());
    EXPECT_EQ(FileBytes(running.GetPath()), (Bytes{1}));
    EXPECT_FALSE(std::filesystem::exists(dir / "song-00000002.lock"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "song-00000003.mid"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "song-00000004.mid"));
}

TEST(RecoveryFile, AProgramKilledLeavesItsFileToTheNextStart) {
    const std::filesystem::path dir = FreshDir("recovery-killed");
    CChildProgram other([&dir] {
        // Held until the kill: the slot is never closed.
        auto* pFile = new CRecoveryFile;
        if (!pFile->Open(dir)) {
            Write(*pFile, {4, 5, 6});
        }
    });
    ASSERT_TRUE(other.IsReady());
    CRecoveryFile mine;
    ASSERT_FALSE(mine.Open(dir));
    EXPECT_FALSE(mine.TakeOverAbandoned());
    other.Kill();
    // A program starting now removes the dead lock and may take the file.
    CRecoveryFile next;
    ASSERT_FALSE(next.Open(dir));
    // Its file, and the locks of the two running here.
    EXPECT_EQ(FilesIn(dir).size(), 3u);
    ASSERT_TRUE(mine.TakeOverAbandoned());
    EXPECT_EQ(FileBytes(mine.GetPath()), (Bytes{4, 5, 6}));
    EXPECT_EQ(FilesIn(dir).size(), 3u);
}

TEST(RecoveryWriter, TheLastRequestIsCarriedOut) {
    const std::filesystem::path dir = FreshDir("recovery-writer");
    CRecoveryFile file;
    ASSERT_FALSE(file.Open(dir));
    {
        CRecoveryWriter writer(file);
        for (std::uint8_t n = 0; n < 50; ++n) {
            writer.Write(Bytes(1000, n));
        }
        writer.Flush();
        EXPECT_EQ(FileBytes(file.GetPath()), Bytes(1000, 49));
        EXPECT_FALSE(writer.GetLastError());
        writer.Write({1});
        writer.Remove();
        writer.Flush();
        EXPECT_FALSE(std::filesystem::exists(file.GetPath()));
        writer.Remove();
        writer.Write({2});
        // Gone without a Flush, the writer still carries out the last request.
    }
    EXPECT_EQ(FileBytes(file.GetPath()), (Bytes{2}));

    CRecoveryFile closed;
    CRecoveryWriter writer(closed);
    writer.Write({3});
    writer.Flush();
    EXPECT_TRUE(writer.GetLastError());
}

} // namespace
