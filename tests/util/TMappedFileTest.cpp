// SPDX-License-Identifier: MIT
#include "util/TMappedFile.h"

#include "util/TFileStream.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace kelda {
namespace {

class TMappedFileTest : public ::testing::Test {
protected:
    fs::path dir_ = fs::temp_directory_path() / ("kelda-map-" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Write(const char* name, std::size_t size) {
        bytes_.resize(size);
        for (std::size_t i = 0; i < size; ++i) {
            bytes_[i] = static_cast<char>(i * 131 + (i >> 9));
        }
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary).write(bytes_.data(), static_cast<std::streamsize>(size));
        return p;
    }
    std::vector<char> bytes_;
};

constexpr std::size_t kPage = 4096;

TEST_F(TMappedFileTest, HandsOutEveryByteInOrderThroughSmallWindows) {
    for (const std::size_t size : {std::size_t{1}, kPage, 5 * kPage + 17}) {
        const fs::path file = Write("f", size);
        std::vector<char> seen;
        std::vector<std::int64_t> progress;
        const bool mapped = ReadMapped(
            file, [&](const std::uint8_t* d, std::size_t n) { seen.insert(seen.end(), d, d + n); },
            [&](std::int64_t done, std::int64_t total) {
                EXPECT_EQ(total, static_cast<std::int64_t>(size));
                progress.push_back(done);
                return true;
            },
            {.WindowSize = 2 * kPage, .PieceSize = kPage});
        ASSERT_TRUE(mapped);
        EXPECT_EQ(seen, bytes_) << size;
        EXPECT_EQ(progress.back(), static_cast<std::int64_t>(size));
        EXPECT_EQ(progress.size(), (size + kPage - 1) / kPage);
    }
}

TEST_F(TMappedFileTest, ACutFileIsReadPastEndWhereverTheCutFalls) {
    // Eight pages in windows of four, cut once the first window is mapped: to three pages, a page
    // of the window being read raises SIGBUS; to five pages, the second window fails to populate.
    for (const std::size_t keep : {3 * kPage, 5 * kPage}) {
        const fs::path file = Write("cut", 8 * kPage);
        TMappedReadOptions options{.WindowSize = 4 * kPage, .PieceSize = kPage};
        options.AfterMap = [&](std::int64_t offset) {
            if (offset == 0) {
                fs::resize_file(file, keep);
            }
        };
        std::size_t consumed = 0;
        unsigned sum = 0;
        try {
            ReadMapped(
                file,
                [&](const std::uint8_t* d, std::size_t n) {
                    for (std::size_t i = 0; i < n; ++i) {
                        sum += d[i]; // touches every page, as a CRC does
                    }
                    consumed += n;
                },
                nullptr, options);
            ADD_FAILURE() << keep << ": no error";
        } catch (const EFileError& e) {
            EXPECT_EQ(e.kind(), EFileError::Kind::ReadPastEnd) << keep;
        }
        EXPECT_LE(consumed, keep);
        (void)sum;
    }
}

TEST_F(TMappedFileTest, CancelThrowsAndUnmappableFilesAreLeftToTheCaller) {
    const fs::path file = Write("c", 4 * kPage);
    int calls = 0;
    EXPECT_THROW(ReadMapped(
                     file, [](const std::uint8_t*, std::size_t) {},
                     [&](std::int64_t, std::int64_t) { return ++calls < 2; },
                     {.WindowSize = 4 * kPage, .PieceSize = kPage}),
                 ECancelled);
    EXPECT_EQ(calls, 2);

    const fs::path empty = Write("e", 0);
    EXPECT_FALSE(ReadMapped(
        empty, [](const std::uint8_t*, std::size_t) { ADD_FAILURE(); }, nullptr));
    EXPECT_THROW(ReadMapped(
                     dir_ / "missing", [](const std::uint8_t*, std::size_t) {}, nullptr),
                 EFileError);
}

} // namespace
} // namespace kelda
