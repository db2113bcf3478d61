// SPDX-License-Identifier: MIT
#include "crc/ChunkedFold.h"
#include "crc/CrcUtils.h"
#include "util/TFileStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace kelda {
namespace {

class CrcFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kelda-crc-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    fs::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return p;
    }

    static std::vector<std::uint8_t> Random(std::size_t size, unsigned seed) {
        std::mt19937 rng(seed);
        std::vector<std::uint8_t> bytes(size);
        for (auto& b : bytes) {
            b = static_cast<std::uint8_t>(rng());
        }
        return bytes;
    }

    // The twelve results of the same bytes fed from memory in one Calc.
    static std::array<std::uint32_t, CrcVariantCount> InMemory(const std::vector<std::uint8_t>& bytes) {
        std::array<std::uint32_t, CrcVariantCount> results{};
        auto engines = MakeCrcEngines();
        for (std::size_t i = 0; i < CrcVariantCount; ++i) {
            engines[i]->Init();
            engines[i]->Calc(bytes.data(), 0, static_cast<std::int64_t>(bytes.size()));
            results[i] = engines[i]->Value();
        }
        return results;
    }

    fs::path dir_;
};

TEST_F(CrcFileTest, CrcGetCrc16DeliversLowByteFirst) {
    const std::string text = "123456789";
    const auto nine = Write("nine", std::vector<std::uint8_t>(text.begin(), text.end()));
    EXPECT_EQ(CrcGetCrc16(nine), (std::array<std::uint8_t, 2>{0xC3, 0x31}));
    const auto empty = Write("empty", {});
    EXPECT_EQ(CrcGetCrc16(empty), (std::array<std::uint8_t, 2>{0x00, 0x00}));
}

TEST_F(CrcFileTest, MissingFileOrFolderThrowsTheOpenError) {
    EXPECT_THROW(CrcGetCrc16(dir_ / "missing"), EFileError);
    auto engines = MakeCrcEngines();
    EXPECT_THROW(CrcFile(*engines[10], dir_), EFileError);
    EXPECT_THROW(CrcFileAll(dir_ / "missing"), EFileError);
}

TEST_F(CrcFileTest, SizesAroundTheBlockSizeMatchMemory) {
    // Exact multiples of the read block end on a full block with no short read after it; past a
    // chunk, the chunks' registers are joined.
    const std::size_t sizes[] = {0,
                                 1,
                                 1023,
                                 1024,
                                 4096,
                                 CrcReadBlockSize - 1,
                                 CrcReadBlockSize,
                                 CrcReadBlockSize + 1,
                                 2 * CrcReadBlockSize,
                                 2 * CrcReadBlockSize + 77,
                                 CrcReadChunkSize + 1,
                                 2 * CrcReadChunkSize + 77};
    unsigned seed = 1;
    for (const std::size_t size : sizes) {
        SCOPED_TRACE(size);
        const auto bytes = Random(size, seed++);
        const auto file = Write("f" + std::to_string(size), bytes);
        const auto expected = InMemory(bytes);
        EXPECT_EQ(CrcFileAll(file), expected);
        auto engines = MakeCrcEngines();
        for (std::size_t i = 0; i < CrcVariantCount; ++i) {
            EXPECT_EQ(CrcFile(*engines[i], file), expected[i]) << CrcVariants[i].Entry;
            // The result also stays in the engine's register.
            EXPECT_EQ(engines[i]->Value(), expected[i]);
        }
        const std::uint16_t v1 = static_cast<std::uint16_t>(expected[CrcHeaderVariant]);
        EXPECT_EQ(CrcGetCrc16(file), (std::array<std::uint8_t, 2>{static_cast<std::uint8_t>(v1 & 0xFF),
                                                                  static_cast<std::uint8_t>(v1 >> 8)}));
    }
}

TEST_F(CrcFileTest, ProgressReportsEveryChunkAndCancelThrows) {
    const std::size_t size = 2 * CrcReadChunkSize + 5;
    const auto file = Write("big", Random(size, 7));

    std::vector<std::int64_t> seen;
    auto engines = MakeCrcEngines();
    CrcFile(*engines[0], file, [&seen, size](std::int64_t done, std::int64_t total) {
        EXPECT_EQ(total, static_cast<std::int64_t>(size));
        seen.push_back(done);
        return true;
    });
    const std::vector<std::int64_t> expected = {static_cast<std::int64_t>(CrcReadChunkSize),
                                                static_cast<std::int64_t>(2 * CrcReadChunkSize),
                                                static_cast<std::int64_t>(size)};
    EXPECT_EQ(seen, expected);

    int calls = 0;
    const ProgressFn stopSecond = [&calls](std::int64_t, std::int64_t) { return ++calls < 2; };
    EXPECT_THROW(CrcFile(*engines[0], file, stopSecond), ECancelled);
    EXPECT_EQ(calls, 2);
    calls = 0;
    EXPECT_THROW(CrcFileAll(file, stopSecond), ECancelled);
    EXPECT_EQ(calls, 2);
}

TEST_F(CrcFileTest, FileChangingWhileReadNeverGivesTheCrcOfAPart) {
    // Two chunks and a bit; the file changes once the first has been reported.
    const std::size_t size = 2 * CrcReadChunkSize + 100;
    const auto bytes = Random(size, 11);
    const auto tail = Random(1000, 12);
    auto grown = bytes;
    grown.insert(grown.end(), tail.begin(), tail.end());

    // Cut short after the first chunk: the read-past-end error, or the CRC of all the bytes when
    // the second thread had read them before the cut, never the CRC of a part.
    const auto shrinking = Write("shrinking", bytes);
    auto engines = MakeCrcEngines();
    const ProgressFn cut = [&](std::int64_t done, std::int64_t) {
        if (done == static_cast<std::int64_t>(CrcReadChunkSize)) {
            fs::resize_file(shrinking, CrcReadChunkSize + 10);
        }
        return true;
    };
    try {
        EXPECT_EQ(CrcFile(*engines[10], shrinking, cut), InMemory(bytes)[10]);
    } catch (const EFileError& e) {
        EXPECT_EQ(e.kind(), EFileError::Kind::ReadPastEnd);
    }

    // Bytes appended while reading are not read: the CRC is that of the size at opening, so a file
    // that keeps growing (a log, a download) is read to an end.
    const auto growing = Write("growing", bytes);
    const ProgressFn append = [&](std::int64_t done, std::int64_t) {
        if (done == static_cast<std::int64_t>(CrcReadChunkSize)) {
            std::ofstream(growing, std::ios::binary | std::ios::app)
                .write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
        }
        return true;
    };
    EXPECT_EQ(CrcFile(*engines[10], growing, append), InMemory(bytes)[10]);
    EXPECT_NE(InMemory(bytes)[10], InMemory(grown)[10]);
}

// Files of /proc and /sys report the size 0 yet give bytes: they are read to their end, the bytes
// folded counted, whatever the way of reading and the block size.
TEST_F(CrcFileTest, FileWhoseSizeReadsZeroIsReadToItsEnd) {
    const fs::path proc = "/proc/self/cmdline"; // the same bytes for the whole run of this process
    if (!fs::exists(proc) || fs::file_size(proc) != 0) {
        GTEST_SKIP() << "no /proc";
    }
    std::ifstream in(proc, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 16u);
    const auto expected = InMemory(bytes);

    std::int64_t size = -1;
    auto engines = MakeCrcEngines();
    EXPECT_EQ(CrcFile(*engines[10], proc, {}, &size), expected[10]);
    EXPECT_EQ(size, static_cast<std::int64_t>(bytes.size()));
    size = -1;
    EXPECT_EQ(CrcFileAll(proc, {}, &size), expected);
    EXPECT_EQ(size, static_cast<std::int64_t>(bytes.size()));

    const TCrcKernel& kernel = engines[10]->Kernel();
    for (const bool map : {true, false}) {
        for (const std::size_t block : {std::size_t{16}, CrcReadBlockSize}) {
            SCOPED_TRACE(testing::Message() << (map ? "mapped" : "read") << ", blocks of " << block);
            engines[10]->Init();
            std::uint32_t reg = engines[10]->KernelRegister();
            std::int64_t progressed = 0;
            const std::int64_t total = FoldFileChunks(
                proc, 1, [&kernel] { return std::make_unique<TKernelFolder>(kernel); },
                [&](std::span<const std::uint32_t> r, std::uint64_t n) { reg = kernel.Shift(reg, n) ^ r[0]; },
                [&](std::int64_t done, std::int64_t) {
                    progressed = done;
                    return true;
                },
                {.ChunkSize = 64 << 10, .Map = map, .BlockSize = block});
            engines[10]->SetKernelRegister(reg);
            EXPECT_EQ(engines[10]->Value(), expected[10]);
            EXPECT_EQ(total, static_cast<std::int64_t>(bytes.size()));
            EXPECT_EQ(progressed, total);
        }
    }
}

} // namespace
} // namespace kelda
