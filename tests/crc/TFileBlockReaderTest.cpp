#include "crc/TFileBlockReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace kelda {
namespace {

class TFileBlockReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kelda-blocks-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path Write(std::size_t size) {
        const fs::path p = dir_ / ("f" + std::to_string(size));
        std::vector<char> bytes(size);
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>(i * 7 + i / 251);
        }
        std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
        return p;
    }
    fs::path dir_;
};

TEST_F(TFileBlockReaderTest, BlocksCoverTheFileInOrderOnBothSidesOfOneBlock) {
    constexpr std::size_t block = 4096;
    // One block or less is read on the caller's thread, more on the reading thread.
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, block, block + 1, 3 * block, 10 * block + 5}) {
        SCOPED_TRACE(size);
        const fs::path file = Write(size);
        std::vector<char> expected(size);
        std::ifstream(file, std::ios::binary).read(expected.data(), static_cast<std::streamsize>(size));

        TFileBlockReader reader(file, block);
        EXPECT_EQ(reader.Size(), static_cast<std::int64_t>(size));
        std::vector<char> got;
        std::vector<std::size_t> sizes;
        for (auto b = reader.Next(); !b.empty(); b = reader.Next()) {
            got.insert(got.end(), b.begin(), b.end());
            sizes.push_back(b.size());
        }
        EXPECT_TRUE(reader.Next().empty()); // stays at the end
        EXPECT_EQ(got, expected);
        // Whole blocks, then the rest: a size that is a multiple of the block ends on a full block.
        for (std::size_t i = 0; i + 1 < sizes.size(); ++i) {
            EXPECT_EQ(sizes[i], block);
        }
        EXPECT_EQ(sizes.size(), (size + block - 1) / block);
    }
}

TEST_F(TFileBlockReaderTest, StoppingEarlyEndsTheReadingThreadAndClosesTheFile) {
    const fs::path file = Write(64 * 4096);
    const auto openFiles = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const auto before = openFiles();
    for (int consumed = 0; consumed < 4; ++consumed) {
        TFileBlockReader reader(file, 4096);
        for (int i = 0; i < consumed; ++i) {
            EXPECT_EQ(reader.Next().size(), 4096u);
        }
    }
    EXPECT_EQ(openFiles(), before);
}

TEST_F(TFileBlockReaderTest, OpeningErrorsComeFromTheConstructor) {
    EXPECT_THROW(TFileBlockReader(dir_ / "missing", 4096), EFileError);
    EXPECT_THROW(TFileBlockReader(dir_, 4096), EFileError);
}

} // namespace
} // namespace kelda
