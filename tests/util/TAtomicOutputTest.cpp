// SPDX-License-Identifier: MIT
// When an output waits for the disk: a file replaced always does, a new output only when asked.
#include "util/TAtomicOutput.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

namespace kelda {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(TAtomicOutput, OnlyAReplacedFileOrAnAskedForNewOneWaitsForTheDisk) {
    const fs::path dir = fs::temp_directory_path() / ("kelda-atomic-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    struct {
        const char* Name;
        bool Exists;
        bool SyncNew;
        std::uint64_t Syncs;
    } cases[] = {
        {"new", false, false, 0},
        {"replaced", true, false, 1},
        {"new, asked for", false, true, 1},
        {"replaced, asked for", true, true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const fs::path file = dir / "out.bin";
        fs::remove(file);
        if (c.Exists) {
            std::ofstream(file) << "old contents";
        }
        SetSyncNewOutputs(c.SyncNew);
        const std::uint64_t before = FileSyncCount();
        {
            TAtomicOutput out(file);
            out.Create().WriteBuffer("new", 3);
            out.Commit();
        }
        EXPECT_EQ(FileSyncCount() - before, c.Syncs);
        EXPECT_EQ(Contents(file), "new");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    }
    SetSyncNewOutputs(false);
    fs::remove_all(dir);
}

} // namespace
} // namespace kelda
